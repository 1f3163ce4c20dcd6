#include "e2e/E2eDriver.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <csignal>
#include <gtest/gtest.h>

namespace {

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// F1 marks the shown picture in list A, which is kept across runs; the list opens in place of a
// folder under its name and follows its picture when a sorting key moves it.
TEST(CheckLists, AMarkIsKeptOpensAsAListAndFollowsAMove) {
    E2eDriver driver;
    const QString pics =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.png"), QSize(20, 10)},
                                                      {QStringLiteral("b.png"), QSize(30, 20)}});
    const QString best = driver.writePictures(QStringLiteral("best"), {});
    ASSERT_FALSE(driver.writeSortingTable({QString(), best}).isEmpty());
    const QString listFile = driver.dataFolder() + QStringLiteral("/List_A.lst");

    ASSERT_TRUE(driver.start({pics}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/2 \\[a\\.png\\]"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("F1")}));
    EXPECT_TRUE(driver.waitForTitle(Title(QStringLiteral("1/2 \\[a\\.png\\].*  :  汎用\\[1\\]$"))));
    int exitCode = -1;
    ASSERT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(Read(listFile), (pics + QStringLiteral("/a.png\r\n")).toUtf8());

    // Started on the second picture, the list opens from the menu 編集 > [0001] 汎用 > リストを開く.
    ASSERT_TRUE(driver.start({pics + QStringLiteral("/b.png")}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("2/2 \\[b\\.png\\]"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("alt+e"), QStringLiteral("a"), QStringLiteral("o")}));
    EXPECT_TRUE(driver.waitForTitle(Title(QStringLiteral("1/1 \\[a\\.png\\].*  :  汎用\\[1\\]$"))));

    ASSERT_TRUE(driver.pressKeys({QStringLiteral("b")}));
    EXPECT_TRUE(driver.waitForTitle(QRegularExpression(QStringLiteral("\\{ Move > ~/best \\}$"))));
    EXPECT_TRUE(QFile::exists(best + QStringLiteral("/a.png")));
    ASSERT_TRUE(driver.closeWithAltF4(&exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Read(listFile), (best + QStringLiteral("/a.png\r\n")).toUtf8());
}

// A logout or a shutdown (SIGTERM) ends the program the way Alt+F4 does: the marks and the
// settings are written and the private temporary folder is removed. Marks are written soon after
// each change anyway, so even a kill that leaves no time to save loses none of them.
TEST(CheckLists, MarksSurviveTheEndOfTheSessionAndAKill) {
    E2eDriver driver;
    const QString pics =
        driver.writePictures(QStringLiteral("pics"), {{QStringLiteral("a.png"), QSize(20, 10)},
                                                      {QStringLiteral("b.png"), QSize(30, 20)}});
    const QString listFile = driver.dataFolder() + QStringLiteral("/List_A.lst");
    const auto leftInTemp = [&driver] {
        return QDir(driver.tempFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    };

    ASSERT_TRUE(driver.start({pics}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("1/2 \\[a\\.png\\]"))));
    EXPECT_FALSE(leftInTemp().isEmpty()); // the program's private temporary folder
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("F1")}));
    ASSERT_TRUE(driver.waitForTitle(Title(QStringLiteral("1/2 \\[a\\.png\\].*  :  汎用\\[1\\]$"))));
    ASSERT_TRUE(driver.sendSignal(SIGTERM));
    int exitCode = -1;
    ASSERT_TRUE(driver.waitForExit(&exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(Read(listFile), (pics + QStringLiteral("/a.png\r\n")).toUtf8());
    EXPECT_TRUE(QFile::exists(driver.dataFolder() + QStringLiteral("/Ruvela.ini")));
    EXPECT_EQ(leftInTemp(), QStringList());

    ASSERT_TRUE(driver.start({pics + QStringLiteral("/b.png")}));
    ASSERT_TRUE(driver.waitForWindow(Title(QStringLiteral("2/2 \\[b\\.png\\]"))));
    ASSERT_TRUE(driver.pressKeys({QStringLiteral("F1")}));
    const QByteArray both =
        (pics + QStringLiteral("/a.png\r\n") + pics + QStringLiteral("/b.png\r\n")).toUtf8();
    EXPECT_TRUE(driver.waitUntil([&] { return Read(listFile) == both; },
                                 QStringLiteral("List_A.lst holds both pictures"), 3000));
    ASSERT_TRUE(driver.sendSignal(SIGKILL));
    EXPECT_FALSE(driver.waitForExit(&exitCode)); // killed: no exit code of its own
    EXPECT_EQ(Read(listFile), both);
}
