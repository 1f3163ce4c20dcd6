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
        driver.waitForTitle(QRegularExpression(QStringLiteral("\\{ Move > ~/pics/新しいフォルダ \\}$"))));
    EXPECT_TRUE(Exists(pics + QStringLiteral("/新しいフォルダ/c.png")));

    int exitCode = -1;
    EXPECT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
    // The table was not edited: its file is left as it was.
    QFile file(driver.dataFolder() + QStringLiteral("/MoveTo.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), table);
}

// The four new-folder keys are the keys at the places of ";", ":", "." and "/" on a Japanese
// keyboard, on a Japanese layout as on a US one: Shift (which makes the folder) changes the
// character each types ("+" or ":"), not which folder it sends to.
TEST(Sorting, NewFolderKeysAreTheKeysAtTheirPlacesOnEveryLayout) {
    struct Layout {
        const char* name;
        const char* secondKey; // the key right of ";", by the character it types unshifted
    };
    for (const Layout layout : {Layout{"jp", "colon"}, Layout{"us", "apostrophe"}}) {
        SCOPED_TRACE(layout.name);
        ASSERT_TRUE(E2eDriver::setKeyboardLayout(QString::fromLatin1(layout.name)));
        E2eDriver driver;
        const QString pics =
            driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.png"), QSize(20, 10)},
                                                          {QStringLiteral("b.png"), QSize(30, 20)},
                                                          {QStringLiteral("c.png"), QSize(40, 30)},
                                                          {QStringLiteral("d.png"), QSize(50, 40)}});
        ASSERT_TRUE(driver.start({pics}));
        ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/4 \\[a\\.png\\]"))));

        const struct {
            QString keys;
            QString folder;
            QString moved;
        } steps[] = {
            {QStringLiteral("shift+semicolon"), QStringLiteral("新しいフォルダ"), QStringLiteral("a.png")},
            {QStringLiteral("shift+") + QString::fromLatin1(layout.secondKey),
             QStringLiteral("新しいフォルダ2"), QStringLiteral("b.png")},
            {QStringLiteral("shift+period"), QStringLiteral("新しいフォルダ3"), QStringLiteral("c.png")},
        };
        for (const auto& step : steps) {
            ASSERT_TRUE(driver.pressKeys({step.keys}));
            EXPECT_TRUE(driver.waitForTitle(QRegularExpression(QStringLiteral("\\{ Move > ~/pics/") +
                                                               step.folder + QStringLiteral(" \\}$"))));
            EXPECT_TRUE(Exists(pics + QLatin1Char('/') + step.folder + QLatin1Char('/') + step.moved));
        }
        // Without Shift a key sends into its folder only when that exists.
        ASSERT_TRUE(driver.pressKeys({QStringLiteral("semicolon")}));
        EXPECT_TRUE(
            driver.waitForTitle(QRegularExpression(QStringLiteral("\\{ Move > ~/pics/新しいフォルダ \\}$"))));
        EXPECT_TRUE(Exists(pics + QStringLiteral("/新しいフォルダ/d.png")));
        EXPECT_FALSE(Exists(pics + QStringLiteral("/新しいフォルダ4")));
        int exitCode = -1;
        EXPECT_TRUE(driver.closeWithAltF4(&exitCode));
    }
    EXPECT_TRUE(E2eDriver::setKeyboardLayout(QStringLiteral("us")));
}
