#include "e2e/E2eDriver.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

bool Exists(const QString& path) {
    return QFile::exists(path);
}

} // namespace

// One key moves the shown picture into the folder the table binds to it; Backspace brings it
// back; Ctrl+Y moves it again; a name clash asks through the conflict dialog.
TEST(Sorting, ALetterMovesThePictureBackspaceUndoesAndCtrlYRedoes) {
    E2eDriver driver;
    const QString pics =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.png"), QSize(20, 10)},
                                                      {QStringLiteral("b.png"), QSize(30, 20)},
                                                      {QStringLiteral("c.png"), QSize(40, 30)}});
    const QString best =
        driver.writePictures(QStringLiteral("best"), {{QStringLiteral("b.png"), QSize(8, 8)}});
    const QByteArray table = driver.writeSortingTable({best, best});
    ASSERT_FALSE(table.isEmpty());
    ASSERT_TRUE(driver.start({pics}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/3 \\[a\\.png\\]"))));

    ASSERT_TRUE(driver.pressKeys({QStringLiteral("a")}));
    EXPECT_TRUE(driver.waitForTitle(Title(QStringLiteral("1/2 \\[b\\.png\\].*   \\{ Move > ~/best \\}$"))));
    EXPECT_TRUE(Exists(best + QStringLiteral("/a.png")));
    EXPECT_FALSE(Exists(pics + QStringLiteral("/a.png")));

    ASSERT_TRUE(driver.pressKeys({QStringLiteral("BackSpace")}));
    EXPECT_TRUE(driver.waitForTitle(Title(QStringLiteral("1/3 \\[a\\.png\\]"))));
    EXPECT_TRUE(Exists(pics + QStringLiteral("/a.png")));
    EXPECT_FALSE(Exists(best + QStringLiteral("/a.png")));

    ASSERT_TRUE(driver.pressKeys({QStringLiteral("ctrl+y")}));
    EXPECT_TRUE(driver.waitForTitle(Title(QStringLiteral("\\d/2 \\[a\\.png\\]"))));
    EXPECT_TRUE(Exists(best + QStringLiteral("/a.png")));

    // Back in "pics" with b.png shown: "b" sends it where a b.png already is. The dialog offers
    // the free name with the focus on "名前を変更(&R)", so Return renames.
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("BackSpace")}));
    ASSERT_TRUE(driver.waitForTitle(Title(QStringLiteral("1/3 \\[a\\.png\\]"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Right"), QStringLiteral("b")}));
    ASSERT_TRUE(driver.waitForWindow(QRegularExpression(QStringLiteral("^上書きの確認$"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("Return")}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("2/2 \\[c\\.png\\]"))));
    EXPECT_TRUE(Exists(best + QStringLiteral("/b_Rename00.png")));
    EXPECT_TRUE(Exists(best + QStringLiteral("/b.png")));
    EXPECT_FALSE(Exists(pics + QStringLiteral("/b.png")));

    // Shift with a new-folder key makes the folder and moves the shown picture into it.
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("shift+semicolon")}));
    EXPECT_TRUE(
        driver.waitForTitle(QRegularExpression(QStringLiteral("\\{ Move > ~/pics/新しいフォルダ2? \\}$"))));
    EXPECT_TRUE(Exists(pics + QStringLiteral("/新しいフォルダ/c.png")) ||
                Exists(pics + QStringLiteral("/新しいフォルダ2/c.png")));

    int exitCode = -1;
    EXPECT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
    // The table was not edited: its file is left as it was.
    QFile file(driver.dataFolder() + QStringLiteral("/MoveTo.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), table);
}
