#include "e2e/E2eDriver.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

bool IsFolder(const QString& path) {
    return QFileInfo(path).isDir();
}

} // namespace

// "フォルダを作成する" from the file menu: the answer 山/海 空 makes three folders in the shown
// folder.
TEST(Folders, OneAnswerInTheCreateBoxMakesThreeFolders) {
    E2eDriver driver;
    const QString pics =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.png"), QSize(40, 30)}});
    ASSERT_TRUE(driver.start({pics}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/1 \\[a\\.png\\]"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("alt+f"), QStringLiteral("k")}));
    ASSERT_TRUE(driver.waitForWindow(QRegularExpression(QStringLiteral("^Ruvela - フォルダの作成$"))));
    ASSERT_TRUE(driver.typeText(QStringLiteral("山/海 空")));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Return")}));
    EXPECT_TRUE(driver.waitUntil(
        [&] {
            return IsFolder(pics + QStringLiteral("/山")) && IsFolder(pics + QStringLiteral("/海")) &&
                   IsFolder(pics + QStringLiteral("/空"));
        },
        QStringLiteral("the folders 山, 海 and 空")));
    EXPECT_EQ(QDir(pics).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(), 3);
}

// "フォルダを改名する" renames the folder the tree shows selected (the one being viewed), and
// Backspace, the undo key, gives it its old name back.
TEST(Folders, AFolderRenamedThroughTheMenuGetsItsNameBackWithBackspace) {
    E2eDriver driver;
    const QString pics =
        driver.writePictures(QStringLiteral("pics/old"), {{QStringLiteral("a.png"), QSize(40, 30)}});
    const QString renamed = driver.home() + QStringLiteral("/pics/new");
    ASSERT_TRUE(driver.start({pics}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/1 \\[a\\.png\\]"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("alt+f"), QStringLiteral("r")}));
    ASSERT_TRUE(driver.waitForWindow(QRegularExpression(QStringLiteral("^フォルダ改名$"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("ctrl+a")}));
    ASSERT_TRUE(driver.typeText(QStringLiteral("new")));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/1 \\[a\\.png\\]"))));
    EXPECT_TRUE(driver.waitUntil([&] { return IsFolder(renamed) && !IsFolder(pics); },
                                 QStringLiteral("pics/old renamed to pics/new")));
    EXPECT_TRUE(QFileInfo::exists(renamed + QStringLiteral("/a.png")));

    ASSERT_TRUE(driver.pressKeys({QStringLiteral("BackSpace")}));
    EXPECT_TRUE(driver.waitUntil([&] { return IsFolder(pics) && !IsFolder(renamed); },
                                 QStringLiteral("pics/new renamed back to pics/old")));
    EXPECT_TRUE(QFileInfo::exists(pics + QStringLiteral("/a.png")));
    int exitCode = -1;
    ASSERT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
}
