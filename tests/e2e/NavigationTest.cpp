#include "e2e/E2eDriver.h"
#include "support/TestPaths.h"

#include <QDir>
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

// Another program takes away the folder shown: the user is told in a box, answers it with
// Return, and the nearest folder above it opens; when that one goes too, the next one up.
TEST(Navigation, AFolderTakenAwayWhileShownOpensTheFolderAbove) {
    E2eDriver driver;
    const QString outer =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("outer.png"), QSize(40, 30)}});
    const QString middle =
        driver.writePictures(QStringLiteral("pics/middle"), {{QStringLiteral("middle.png"), QSize(30, 20)}});
    const QString inner = driver.writePictures(QStringLiteral("pics/middle/inner"),
                                               {{QStringLiteral("inner.png"), QSize(20, 10)}});
    ASSERT_TRUE(driver.start({inner}));
    ASSERT_TRUE(driver.waitForWindow(Showing(QStringLiteral("1"), QStringLiteral("inner.png"))));
    const QRegularExpression box(QStringLiteral("^Ruvela$"));

    ASSERT_TRUE(QDir().rename(inner, middle + QStringLiteral("/renamed")));
    ASSERT_TRUE(driver.waitForWindow(box));
    // Nothing else opens until the box is answered.
    ASSERT_TRUE(driver.waitForWindow(Showing(QStringLiteral("1"), QStringLiteral("inner.png"))));
    ASSERT_TRUE(driver.waitForWindow(box));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(driver.waitForWindow(Showing(QStringLiteral("1"), QStringLiteral("middle.png"))));

    ASSERT_TRUE(QDir(middle).removeRecursively());
    ASSERT_TRUE(driver.waitForWindow(box));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(driver.waitForWindow(Showing(QStringLiteral("1"), QStringLiteral("outer.png"))));

    // The home folder above holds no picture.
    ASSERT_TRUE(QDir().rename(outer, driver.home() + QStringLiteral("/pics-2")));
    ASSERT_TRUE(driver.waitForWindow(box));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("画像ファイルが見つかりません$"))));

    int exitCode = -1;
    EXPECT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
}
