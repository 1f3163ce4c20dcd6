#include "ui/filelist/TFormSearch.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(TFormSearch, IsAFixedStayOnTopDialogWithItsStopButton) {
    TFormSearch window;
    EXPECT_EQ(window.windowTitle(), QStringLiteral("下位フォルダを検索中..."));
    EXPECT_EQ(window.size(), QSize(472, 70));
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.isWindow());
    EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(window.stopButton()->text(), QStringLiteral("中止(&S)"));
    EXPECT_FALSE(window.isVisible());
}

TEST(TFormSearch, AScanThatEndsWithinItsDelayNeverShowsTheWindow) {
    TFormSearch window;
    window.scanStarted();
    window.scanProgress(QStringLiteral("/pictures/a"), 3, 10);
    // The scan lasts a quarter of the delay; the window must not show meanwhile.
    EXPECT_FALSE(QTest::qWaitFor([&] { return window.isVisible(); }, TFormSearch::kShowDelayMs / 4));
    window.scanFinished();
    // Well past the delay: the stopped timer must not bring the window up late. Waiting out
    // that time is the point of the check.
    EXPECT_FALSE(QTest::qWaitFor([&] { return window.isVisible(); }, TFormSearch::kShowDelayMs * 2));
}

TEST(TFormSearch, ALongScanShowsProgressAndCanBeStopped) {
    TFormSearch window;
    QSignalSpy stops(&window, &TFormSearch::stopRequested);
    window.scanStarted();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, TFormSearch::kShowDelayMs * 10));
    EXPECT_TRUE(window.stopButton()->isEnabled());

    window.scanProgress(QStringLiteral("/pictures/2024/旅行"), 12, 345);
    EXPECT_EQ(window.folderLabel()->text(), QStringLiteral("/pictures/2024/旅行"));
    EXPECT_EQ(window.countLabel()->text(), QStringLiteral("12 / 345"));

    window.stopButton()->click();
    EXPECT_EQ(stops.size(), 1);

    window.scanSorting();
    EXPECT_FALSE(window.stopButton()->isEnabled());
    EXPECT_EQ(window.folderLabel()->text(), QStringLiteral("Sort ..."));

    window.scanFinished();
    EXPECT_FALSE(window.isVisible());
}

TEST(TFormSearch, ClosingTheWindowDuringAScanAsksToStop) {
    TFormSearch window;
    QSignalSpy stops(&window, &TFormSearch::stopRequested);
    window.scanStarted();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.isVisible(); }, TFormSearch::kShowDelayMs * 10));
    window.close();
    EXPECT_EQ(stops.size(), 1);
    window.scanFinished();

    // A second scan starts hidden again, with its button disabled until it shows.
    window.scanStarted();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.stopButton()->isEnabled());
    window.scanFinished();
}

} // namespace
