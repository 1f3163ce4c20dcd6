#include "core/sorting/SortingTable.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/TextEncoding.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

TEST(SortingTable, EntriesSplitIntoModeFolderOrCommand) {
    struct Case {
        const char* entry;
        int mode;
        const char* text;
        bool folder;
        bool command;
        int length; // where the folder starts
    };
    const Case cases[] = {
        {"/p/a", 0, "/p/a", true, false, 0},
        {"$COPY=/p/a", 1, "/p/a", true, false, 6},
        {"$MOVE=/p/a", -1, "/p/a", true, false, 6},
        {"$COPY=$MOVE=/p/a", -1, "/p/a", true, false, 12},
        // Only the order "$COPY=" then "$MOVE=" is read; the rest is no folder.
        {"$MOVE=$COPY=/p/a", -1, "$COPY=/p/a", false, false, 6},
        {"~/写真", 0, "/home/u/写真", true, false, 0},
        {"$COPY=~/x", 1, "/home/u/x", true, false, 6},
        {"~x", 0, "~x", false, false, 0},
        // Commands that name a folder go to the command executor whole.
        {"$OPEN=/p/a", 0, "$OPEN=/p/a", false, true, 6},
        {"$LowDir=~/slots", 0, "$LowDir=~/slots", false, true, 8},
        {"$lowdir=/p", 0, "$lowdir=/p", false, false, 0},
        {"スライド", 0, "スライド", false, false, 0},
        {"relative/x", 0, "relative/x", false, false, 0},
        {"", 0, "", false, false, 0},
    };
    for (const Case& c : cases) {
        const QString entry = S(c.entry);
        const SortingEntry parsed = ClassifyEntry(entry, S("/home/u"));
        EXPECT_EQ(parsed.mode, c.mode) << c.entry;
        EXPECT_EQ(parsed.text, S(c.text)) << c.entry;
        EXPECT_EQ(parsed.folder, c.folder) << c.entry;
        const EntryHead head = EntryHeadOf(entry);
        EXPECT_EQ(head.command, c.command) << c.entry;
        EXPECT_EQ(head.length, c.length) << c.entry;
    }
}

TEST(SortingTable, ReadKeepsEmptyEntriesInPlaceAndPadsTo144) {
    struct Case {
        const char* name;
        QByteArray bytes;
        QStringList head; // the first entries; the rest up to 144 are empty
    };
    // "/写真" in CP932.
    const QByteArray cp932("/\x8e\xca\x90\x5e");
    const Case cases[] = {
        {"crlf", "/a\r\n\r\n/c\r\n", {S("/a"), QString(), S("/c")}},
        {"lf without last line end", "/a\n\n/c", {S("/a"), QString(), S("/c")}},
        {"cp932", cp932 + "\r\n$MOVE=" + cp932 + "\r\n", {S("/写真"), S("$MOVE=/写真")}},
        {"lone cr stays in its entry", "/a\rb\r\n", {S("/a\rb")}},
        {"one empty line", "\n", {QString()}},
        {"empty", "", {}},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const std::optional<QStringList> table =
            ReadSortingTable(folder.write("MoveTo.txt", c.bytes), S("/home/u"));
        ASSERT_TRUE(table.has_value()) << c.name;
        ASSERT_EQ(table->size(), SortingKeys::kTableSize) << c.name;
        EXPECT_EQ(table->mid(0, c.head.size()), c.head) << c.name;
        for (qsizetype i = c.head.size(); i < table->size(); ++i) {
            EXPECT_TRUE(table->at(i).isEmpty()) << c.name << " entry " << i;
        }
    }
}

TEST(SortingTable, LongTablesKeepTheirLinesAndUnreadableOnesGiveNothing) {
    TempFolder folder;
    QByteArray bytes;
    for (int i = 0; i < 150; ++i) {
        bytes += "/f" + QByteArray::number(i) + "\r\n";
    }
    const std::optional<QStringList> table = ReadSortingTable(folder.write("long.ktb", bytes), S("/home/u"));
    ASSERT_TRUE(table.has_value());
    ASSERT_EQ(table->size(), 150);
    EXPECT_EQ(table->back(), S("/f149"));

    EXPECT_FALSE(ReadSortingTable(folder.file("missing.ktb"), S("/home/u")).has_value());
    EXPECT_FALSE(ReadSortingTable(folder.folder("folder.ktb"), S("/home/u")).has_value());
}

TEST(SortingTable, WrittenTableReadsBackInAFolderThatIsNotUtf8) {
    TempFolder temp;
    const QString odd = PathFromNative(NativePath(temp.path()) + "/\xff\xfe");
    ASSERT_TRUE(MakeFolder(odd));
    QStringList entries(SortingKeys::kTableSize);
    entries[0] = S("$COPY=/写真/猫");
    entries[2] = S("~/壁紙");
    entries[143] = S("スライド");
    const QString path = odd + S("/MoveTo.txt");
    ASSERT_TRUE(WriteSortingTable(path, entries));
    EXPECT_EQ(ReadSortingTable(path, S("/home/u")), entries);
    EXPECT_TRUE(ReadFileHead(path, 100).startsWith("$COPY=/\xe5\x86\x99\xe7\x9c\x9f/\xe7\x8c\xab\r\n\r\n~/"));
}

TEST(SortingTable, FolderNamesThatAreNotUtf8SurviveAWriteAndARead) {
    TempFolder home;
    // "写真" in Shift_JIS, a real folder in the home folder; and one that is gone.
    const QString sjis = PathFromNative(NativePath(home.path()) + "/\x8e\xca\x90\x5e");
    ASSERT_TRUE(MakeFolder(sjis));
    const QString name = FileNameOf(sjis);
    QStringList entries(SortingKeys::kTableSize);
    entries[0] = sjis;
    entries[1] = S("$COPY=$MOVE=") + sjis;
    entries[2] = S("~/") + name;
    entries[3] = S("$LowDir=") + sjis;
    entries[4] = S("猫");
    const QString path = home.file(S("MoveTo.txt"));
    ASSERT_TRUE(WriteSortingTable(path, entries));
    EXPECT_TRUE(ReadFileHead(path, 1000)
                    .startsWith(NativePath(sjis) + "\r\n$COPY=$MOVE=" + NativePath(sjis) +
                                "\r\n~/\x8e\xca\x90\x5e\r\n"));
    EXPECT_EQ(ReadSortingTable(path, home.path()), entries);

    // Under another home "~/" names no folder: the bytes are CP932 text, as in a table from Windows.
    const std::optional<QStringList> elsewhere = ReadSortingTable(path, home.file(S("other")));
    ASSERT_TRUE(elsewhere.has_value());
    EXPECT_EQ(elsewhere->at(2), S("~/写真"));
    EXPECT_EQ(elsewhere->at(0), sjis);
}

} // namespace
