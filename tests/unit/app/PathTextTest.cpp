#include "core/common/PathText.h"

#include "core/common/NativePath.h"
#include "support/TempFolder.h"

#include <QDir>
#include <gtest/gtest.h>

TEST(PathText, MiniFileNameShortensOnlyTheHomeFolderAtTheStart) {
    const QString home = QStringLiteral("/home/aki");
    EXPECT_EQ(MiniFileName(QStringLiteral("/home/aki/写真/a.jpg"), home), QStringLiteral("~/写真/a.jpg"));
    EXPECT_EQ(MiniFileName(QStringLiteral("/home/aki"), home), QStringLiteral("~"));
    EXPECT_EQ(MiniFileName(QStringLiteral("/home/akira/a.jpg"), home), QStringLiteral("/home/akira/a.jpg"));
    EXPECT_EQ(MiniFileName(QStringLiteral("/mnt/home/aki/a.jpg"), home),
              QStringLiteral("/mnt/home/aki/a.jpg"));
}

TEST(PathText, PathLevelCountsDelimiters) {
    EXPECT_EQ(PathLevel(QStringLiteral("/")), 1);
    EXPECT_EQ(PathLevel(QStringLiteral("/a/b/c.jpg")), 3);
    EXPECT_EQ(PathLevel(QString()), 0);
}

TEST(PathText, ExpandShortNameMakesExistingPathsAbsoluteAndClean) {
    TempFolder temp;
    const QString sub = temp.folder(QStringLiteral("sub"));
    temp.write(QStringLiteral("sub/a.jpg"), "x");
    EXPECT_EQ(ExpandShortName(QStringLiteral("sub/../sub/a.jpg"), QStringLiteral("/nowhere"), temp.path()),
              sub + QStringLiteral("/a.jpg"));
    EXPECT_EQ(ExpandShortName(QStringLiteral("~/sub/"), temp.path(), QStringLiteral("/")), sub);
    // A path that does not exist comes back as it was given.
    EXPECT_EQ(ExpandShortName(QStringLiteral("missing/../x.jpg"), temp.path(), temp.path()),
              QStringLiteral("missing/../x.jpg"));
}

TEST(PathText, ExtensionsAndParts) {
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"/a/b/photo.jpeg", "/a/b", "photo.jpeg", ".JPEG"},
        {"/a/d.JPEG.txt", "/a", "d.JPEG.txt", ".TXT"},
        {"/noext", "/", "noext", ""},
        {"/a.b/noext", "/a.b", "noext", ""},
        {"/a/trailing.", "/a", "trailing.", "."},
    };
    for (const Case& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(FolderOf(path), QString::fromUtf8(c.folder)) << c.path;
        EXPECT_EQ(FileNameOf(path), QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(UpperExtension(path), QString::fromUtf8(c.extension)) << c.path;
    }
}

TEST(PathText, TrailingSlashAddedAndRemovedButTheRootKept) {
    struct Case {
        const char* path;
        const char* without;
        const char* with;
    };
    const Case cases[] = {
        {"/a/b/", "/a/b", "/a/b/"},
        {"/a/b", "/a/b", "/a/b/"},
        {"/a/b//", "/a/b", "/a/b//"},
        {"/", "/", "/"},
        {"//", "/", "//"},
        {"", "", ""},
        {"/写真/", "/写真", "/写真/"},
    };
    for (const Case& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        EXPECT_EQ(WithoutTrailingSlash(path), QString::fromUtf8(c.without)) << c.path;
        EXPECT_EQ(WithTrailingSlash(path), QString::fromUtf8(c.with)) << c.path;
    }
}

TEST(PathText, NumbersAsTheStatusBarShowsThem) {
    EXPECT_EQ(FormatThousands(0), QString());
    EXPECT_EQ(FormatThousands(999), QStringLiteral("999"));
    EXPECT_EQ(FormatThousands(1000), QStringLiteral("1,000"));
    EXPECT_EQ(FormatThousands(123456789012LL), QStringLiteral("123,456,789,012"));
    EXPECT_EQ(FormatRate(1.0), QStringLiteral("1.00"));
    EXPECT_EQ(FormatRate(0.5), QStringLiteral("0.50"));
    EXPECT_EQ(FormatRate(0.125), QStringLiteral("0.125"));
    EXPECT_EQ(FormatRate(1.0 / 3.0), QStringLiteral("0.3333"));
    EXPECT_EQ(FormatRate(0.32), QStringLiteral("0.32"));
}

TEST(PathText, DateTimePatternAndDosTime) {
    const QDateTime evening(QDate(2026, 12, 9), QTime(22, 7, 45));
    EXPECT_EQ(FormatDateTimePattern(evening, QStringLiteral("yyyy/mm/dd(ddd) am/pm hh:nn")),
              QStringLiteral("2026/12/09(水) pm 10:07"));
    EXPECT_EQ(FormatDateTimePattern(evening, QStringLiteral("yy-m-d hh:mm:ss")),
              QStringLiteral("26-12-9 22:07:45"));
    const QDateTime noon(QDate(2001, 2, 3), QTime(12, 0, 0));
    EXPECT_EQ(FormatDateTimePattern(noon, QStringLiteral("am/pm h:nn")), QStringLiteral("pm 12:00"));

    const std::int32_t packed = PackDosTime(evening);
    EXPECT_EQ((packed >> 25) & 0x7F, 2026 - 1980);
    EXPECT_EQ((packed >> 21) & 0x0F, 12);
    EXPECT_EQ((packed >> 16) & 0x1F, 9);
    EXPECT_EQ((packed >> 11) & 0x1F, 22);
    EXPECT_EQ((packed >> 5) & 0x3F, 7);
    EXPECT_EQ(packed & 0x1F, 22); // two-second steps
    EXPECT_LT(PackDosTime(QDateTime(QDate(2020, 1, 1), QTime(0, 0))), PackDosTime(evening));
    EXPECT_EQ(PackDosTime(QDateTime(QDate(1975, 1, 1), QTime(0, 0))), 0);
}

TEST(NativePathTest, NamesThatAreNotUtf8RoundTrip) {
    const QByteArray raw("/tmp/\xff\xfe photo \"q\"\n.jpg");
    const QString path = PathFromNative(raw);
    EXPECT_EQ(NativePath(path), raw);
    // Real characters outside the basic plane stay as they are.
    const QString emoji = QString::fromUtf8("/tmp/\xF0\x9F\x93\xB7.jpg");
    EXPECT_EQ(NativePath(emoji), emoji.toUtf8());
    EXPECT_EQ(PathFromNative(emoji.toUtf8()), emoji);

    TempFolder temp;
    const QString odd = PathFromNative(NativePath(temp.path()) + "/\xff\xfe.jpg");
    QFile out;
    ASSERT_TRUE(OpenFile(out, odd, QIODevice::WriteOnly));
    out.write("abc");
    out.close();
    EXPECT_EQ(PathKind(odd), PathType::File);
    EXPECT_EQ(StatPath(odd).size, 3);
    EXPECT_EQ(ReadFileHead(odd, 10), QByteArray("abc"));
    EXPECT_EQ(PathKind(temp.path()), PathType::Folder);
    EXPECT_EQ(PathKind(temp.file(QStringLiteral("none"))), PathType::None);
}

TEST(NativePathTest, RenameNeverReplacesAnExistingFile) {
    TempFolder temp;
    const QString a = temp.write(QStringLiteral("a.jpg"), "first");
    const QString b = temp.write(QStringLiteral("b.jpg"), "second");
    QString error;
    EXPECT_FALSE(RenameNoReplace(a, b, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(ReadFileHead(b, 100), QByteArray("second"));
    EXPECT_EQ(ReadFileHead(a, 100), QByteArray("first"));
    const QString c = temp.file(QStringLiteral("c.jpg"));
    EXPECT_TRUE(RenameNoReplace(a, c));
    EXPECT_EQ(PathKind(a), PathType::None);
    EXPECT_EQ(ReadFileHead(c, 100), QByteArray("first"));
}

TEST(NativePathTest, MakeFolderWorksUnderANameThatIsNotUtf8) {
    TempFolder temp;
    const QString odd = PathFromNative(NativePath(temp.path()) + "/\xff\xfe");
    ASSERT_TRUE(MakeFolder(odd));
    EXPECT_EQ(PathKind(odd), PathType::Folder);
    const QString inner = odd + QStringLiteral("/中");
    // Qt cannot make a folder under a name it cannot spell.
    EXPECT_FALSE(QDir().mkdir(inner));
    ASSERT_TRUE(MakeFolder(inner));
    EXPECT_EQ(PathKind(inner), PathType::Folder);
    // An existing folder and a missing parent both fail.
    EXPECT_FALSE(MakeFolder(inner));
    EXPECT_FALSE(MakeFolder(odd + QStringLiteral("/missing/child")));
}
