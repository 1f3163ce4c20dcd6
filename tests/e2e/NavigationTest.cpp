#include "e2e/E2eDriver.h"
#include "support/TestPaths.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The title of position `position` showing `name`, whatever the count and the zoom rate.
QRegularExpression Showing(const QString& position, const QString& name) {
    return QRegularExpression(
        QStringLiteral("^Ruvela - %1/\\d+ \\[%2\\]  \\(").arg(position, QRegularExpression::escape(name)));
}

} // namespace

TEST(Navigation, KeysStepThroughTheDemoFolderAndIntoItsSubfolder) {
    E2eDriver driver;
    ASSERT_TRUE(driver.start({DemoFolder()}));
    ASSERT_TRUE(driver.waitForWindow(Showing(QStringLiteral("1"), QStringLiteral("alpha-32bit.png"))));

    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Right")}));
    EXPECT_TRUE(driver.waitForTitle(Showing(QStringLiteral("2"), QStringLiteral("animated-ball.gif"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Right"), QStringLiteral("Left"), QStringLiteral("Left")}));
    EXPECT_TRUE(driver.waitForTitle(Showing(QStringLiteral("1"), QStringLiteral("alpha-32bit.png"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("shift+Right")}));
    EXPECT_TRUE(driver.waitForTitle(
        QRegularExpression(QStringLiteral("^Ruvela - (\\d+)/\\1 \\[truncated\\.jpg\\]"))));

    // Depth first into the first subfolder, and up again.
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("shift+Down")}));
    EXPECT_TRUE(driver.waitForTitle(QRegularExpression(QStringLiteral("^Ruvela - 1/3 \\[garden\\.jpg\\]"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("ctrl+u")}));
    EXPECT_TRUE(driver.waitForTitle(Showing(QStringLiteral("1"), QStringLiteral("alpha-32bit.png"))));

    int exitCode = -1;
    EXPECT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
}

TEST(Navigation, CtrlNAndCtrlBOpenTheNextAndThePreviousFolder) {
    E2eDriver driver;
    const QString first =
        driver.writePictures(QStringLiteral("pics/a"), {{QStringLiteral("x.png"), QSize(20, 10)}});
    driver.writePictures(QStringLiteral("pics/b"), {{QStringLiteral("y.png"), QSize(30, 20)}});
    ASSERT_TRUE(driver.start({first}));
    ASSERT_TRUE(driver.waitForWindow(Showing(QStringLiteral("1"), QStringLiteral("x.png"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("ctrl+n")}));
    EXPECT_TRUE(driver.waitForTitle(Showing(QStringLiteral("1"), QStringLiteral("y.png"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("ctrl+b")}));
    EXPECT_TRUE(driver.waitForTitle(Showing(QStringLiteral("1"), QStringLiteral("x.png"))));
    int exitCode = -1;
    EXPECT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
}
