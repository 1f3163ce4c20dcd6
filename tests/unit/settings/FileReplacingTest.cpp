#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/TextEncoding.h"
#include "core/settings/SettingsFile.h"
#include "support/FileSizeLimit.h"
#include "support/TempFolder.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// The names in `folder`, as bytes, without "." and "..".
QList<QByteArray> NamesIn(const QString& folder) {
    QList<QByteArray> names;
    DIR* dir = ::opendir(NativePath(folder).constData());
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..") {
            names.append(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

// A folder named with bytes that are not UTF-8, inside a temporary folder.
QString OddFolder(const TempFolder& temp) {
    const QString odd = PathFromNative(NativePath(temp.path()) + "/\xff\xfe \xe5\x86");
    EXPECT_TRUE(MakeFolder(odd));
    return odd;
}

TEST(FileReplacing, WritesAndReplacesInAFolderThatIsNotUtf8) {
    TempFolder temp;
    const QString odd = OddFolder(temp);
    const QString path = odd + S("/設定.ini");
    ASSERT_TRUE(WriteFileReplacing(path, "first"));
    EXPECT_EQ(ReadFileHead(path, 100), QByteArray("first"));
    ASSERT_TRUE(WriteFileReplacing(path, "second, longer"));
    EXPECT_EQ(ReadFileHead(path, 100), QByteArray("second, longer"));
    ASSERT_TRUE(WriteFileReplacing(path, QByteArray()));
    EXPECT_EQ(StatPath(path).size, 0);
    // No temporary file is left beside it.
    EXPECT_EQ(NamesIn(odd), QList<QByteArray>{S("設定.ini").toUtf8()});
}

TEST(FileReplacing, KeepsPermissionsAndWritesThroughASymbolicLink) {
    TempFolder temp;
    const QString real = temp.write("real.txt", "old");
    ASSERT_EQ(::chmod(NativePath(real).constData(), 0640), 0);
    const QString link = temp.file("link.txt");
    ASSERT_EQ(::symlink(NativePath(real).constData(), NativePath(link).constData()), 0);

    ASSERT_TRUE(WriteFileReplacing(link, "new"));
    struct stat st {};
    ASSERT_EQ(::lstat(NativePath(link).constData(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ReadFileHead(real, 100), QByteArray("new"));
    ASSERT_EQ(::stat(NativePath(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(FileReplacing, AFailedWriteLeavesTheOldFileAndNoTemporary) {
    TempFolder temp;
    const QString path = temp.write("list.lst", "old content");
    {
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.set());
        EXPECT_FALSE(WriteFileReplacing(path, QByteArray(64 * 1024, 'x')));
        EXPECT_FALSE(WriteUtf8Lines(path, QStringList(2000, S("/写真/猫.jpg"))));
    }
    EXPECT_EQ(ReadFileHead(path, 100), QByteArray("old content"));
    EXPECT_EQ(NamesIn(temp.path()), QList<QByteArray>{"list.lst"});

    // A folder that does not exist, and a folder in the file's place.
    EXPECT_FALSE(WriteFileReplacing(temp.file("missing/list.lst"), "x"));
    const QString folder = temp.folder("taken");
    EXPECT_FALSE(WriteFileReplacing(folder, "x"));
    EXPECT_EQ(PathKind(folder), PathType::Folder);
    EXPECT_TRUE(NamesIn(folder).isEmpty());
    EXPECT_FALSE(WriteFileReplacing(QString(), "x"));
}

TEST(FileReplacing, ListsAndSettingsSaveUnderANameThatIsNotUtf8) {
    TempFolder temp;
    const QString odd = OddFolder(temp);
    const QString list = odd + S("/List_A.lst");
    const QStringList lines{S("/写真/猫.jpg"), S("$COPY=~/壁紙")};
    ASSERT_TRUE(WriteUtf8Lines(list, lines));
    EXPECT_EQ(ReadTextLines(list), lines);

    const QString ini = odd + S("/Ruvela.ini");
    Options options;
    options.Width = 1234;
    QString message;
    ASSERT_TRUE(IniSave(ini, options, &message)) << message.toStdString();
    Options loaded;
    ASSERT_TRUE(IniLoad(ini, loaded, &message)) << message.toStdString();
    EXPECT_EQ(loaded.Width, 1234);
}

TEST(FileReplacing, TextLinesAreDecodedOneByOne) {
    TempFolder temp;
    const QByteArray base = NativePath(temp.path());
    // "猫.jpg" named in Shift_JIS bytes, a real file.
    const QString real = PathFromNative(base + "/\x94\x4c.jpg");
    temp.write(FileNameOf(real), "picture");
    struct Case {
        const char* what;
        QByteArray line;
        QString read;
    };
    const Case cases[] = {
        {"utf-8", "/p/\xe7\x8c\xab.jpg", S("/p/猫.jpg")},
        {"the bytes of a name that exists", NativePath(real), real},
        {"cp932 of a name that does not exist", "/p/\x94\x4c.jpg", S("/p/猫.jpg")},
        {"cp932 text", EncodeCp932(S("スライド")), S("スライド")},
        {"neither utf-8 nor cp932", "/p/\xe9.jpg", PathFromNative(QByteArray("/p/\xe9.jpg"))},
    };
    QByteArray bytes;
    QStringList expected;
    for (const Case& c : cases) {
        bytes += c.line + "\r\n";
        expected << c.read;
    }
    const QString file = temp.write("List_A.lst", bytes);
    const std::optional<QStringList> lines = ReadTextLines(file);
    ASSERT_TRUE(lines.has_value());
    ASSERT_EQ(lines->size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines->at(i), expected[i]) << cases[i].what;
    }

    // Written back, every name keeps its bytes and reads the same again.
    ASSERT_TRUE(WriteUtf8Lines(file, *lines));
    EXPECT_TRUE(ReadFileHead(file, 1000).contains("\r\n" + NativePath(real) + "\r\n"));
    EXPECT_TRUE(ReadFileHead(file, 1000).endsWith("\r\n/p/\xe9.jpg\r\n"));
    EXPECT_EQ(ReadTextLines(file), lines);
}

TEST(FileReplacing, TextLinesSplitOnCrLfOrLf) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    };
    const Case cases[] = {
        {"crlf", "a\r\nb\r\n", {S("a"), S("b")}},
        {"lf, no last line end", "a\nb", {S("a"), S("b")}},
        {"empty lines kept", "a\n\n\nb\n", {S("a"), QString(), QString(), S("b")}},
        {"only a line end", "\r\n", {QString()}},
        {"empty", "", {}},
        {"cp932", "\x94\x4c\r\n", {S("猫")}},
    };
    for (const Case& c : cases) {
        TempFolder temp;
        EXPECT_EQ(ReadTextLines(temp.write("t.txt", c.bytes)), c.lines) << c.name;
    }
    TempFolder temp;
    EXPECT_FALSE(ReadTextLines(temp.file("missing.txt")).has_value());
    EXPECT_FALSE(ReadTextLines(temp.path()).has_value());
}

} // namespace

namespace {

// Why a text file gave no lines: missing, not a file, or past the size cap (a sparse file, so
// the test writes nothing of that size).
TEST(FileReplacing, TextFilesThatGiveNoLinesSayWhy) {
    TempFolder temp;
    const QString large = temp.write("large.lst", "/p/a.jpg\r\n");
    ASSERT_EQ(::truncate(NativePath(large).constData(), kMaxTextFileBytes + 1), 0);
    const QString atCap = temp.write("cap.lst", "/p/a.jpg\r\n");
    ASSERT_EQ(::truncate(NativePath(atCap).constData(), 1024), 0);
    struct Case {
        QString path;
        TextFileState state;
    };
    const Case cases[] = {
        {temp.file("missing.lst"), TextFileState::Missing},
        {temp.folder("folder.lst"), TextFileState::Unreadable},
        {large, TextFileState::TooLarge},
        {atCap, TextFileState::Read},
    };
    for (const Case& c : cases) {
        TextFileState state = TextFileState::Read;
        const std::optional<QStringList> lines = ReadTextLines(c.path, {}, &state);
        EXPECT_EQ(state, c.state) << c.path.toStdString();
        EXPECT_EQ(lines.has_value(), c.state == TextFileState::Read) << c.path.toStdString();
    }
}

} // namespace
