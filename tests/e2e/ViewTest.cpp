#include "e2e/E2eDriver.h"
#include "support/TestPaths.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The title of the demo's evening picture at a rate the pattern `rate` matches.
QRegularExpression EveningAt(const QString& rate) {
    return QRegularExpression(
        QStringLiteral("^Ruvela - \\d+/\\d+ \\[evening-1280x960\\.jpg\\]  \\(1280x960\\) \\* ") + rate +
        QLatin1Char('$'));
}

} // namespace

TEST(View, ZoomModeKeysAndTheRateBoxChangeTheRateInTheTitle) {
    E2eDriver driver;
    ASSERT_TRUE(driver.start({DemoFolder() + QStringLiteral("/evening-1280x960.jpg")}));
    // Larger than the window: reduced.
    ASSERT_TRUE(driver.waitForWindow(EveningAt(QStringLiteral("0\\.\\d+"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("alt+1")}));
    EXPECT_TRUE(driver.waitForTitle(EveningAt(QStringLiteral("1\\.00"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("alt+3")}));
    EXPECT_TRUE(driver.waitForTitle(EveningAt(QStringLiteral("0\\.\\d+"))));

    ASSERT_TRUE(driver.pressKeys({QStringLiteral("ctrl+i")}));
    ASSERT_TRUE(driver.waitForWindow(QRegularExpression(QStringLiteral("^表示倍率を入力$"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("2"), QStringLiteral("Return")}));
    EXPECT_TRUE(driver.waitForWindow(EveningAt(QStringLiteral("2\\.00"))));

    int exitCode = -1;
    EXPECT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
}
