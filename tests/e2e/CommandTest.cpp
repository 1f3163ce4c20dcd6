#include "e2e/E2eDriver.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

// The default binding of a right drag upward is "設定": the options dialog opens.
TEST(Commands, ARightDragUpwardOverThePictureOpensTheOptionsDialog) {
    E2eDriver driver;
    const QString pics =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.png"), QSize(200, 100)}});
    ASSERT_TRUE(driver.start({pics}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/1 \\[a\\.png\\]"))));
    const QSize size = driver.windowSize();
    ASSERT_FALSE(size.isEmpty());
    // Well right of the folder tree and above the comment pane: the picture's area.
    const QPoint from(size.width() * 3 / 4, size.height() * 2 / 3);
    ASSERT_TRUE(driver.dragMouse(3, from, from - QPoint(0, 120)));
    EXPECT_TRUE(driver.waitForWindow(QRegularExpression(QStringLiteral("^環境設定$"))));
}

// A sorting-table entry that names a command runs it: "拡大" on the key A zooms in one step.
TEST(Commands, ASortingEntryNamingACommandRunsItOnItsKey) {
    E2eDriver driver;
    const QString pics =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.png"), QSize(40, 30)},
                                                      {QStringLiteral("b.png"), QSize(40, 30)}});
    ASSERT_FALSE(driver.writeSortingTable({QStringLiteral("拡大")}).isEmpty());
    ASSERT_TRUE(driver.start({pics}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/2 \\[a\\.png\\].*\\* 1\\.00$"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("a")}));
    EXPECT_TRUE(driver.waitForTitle(Title(QStringLiteral("1/2 \\[a\\.png\\].*\\* 1\\.50$"))));
    EXPECT_TRUE(QFile::exists(pics + QStringLiteral("/a.png")));
    int exitCode = -1;
    ASSERT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
}
