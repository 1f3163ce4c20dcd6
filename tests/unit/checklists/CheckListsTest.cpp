#include "core/checklists/CheckLists.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/TextEncoding.h"
#include "support/TempFolder.h"
#include "support/Unprivileged.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

QStringList L(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts) {
        list.append(QString::fromUtf8(text));
    }
    return list;
}

QByteArray Bytes(const QString& path) {
    return ReadFileHead(path, 1 << 20);
}

// Lists as read from files in a temporary folder, so every list starts unchanged.
class LoadedLists : public ::testing::Test {
protected:
    void Put(int n, const QByteArray& bytes) { m_folder.write(CheckListFileName(n), bytes); }
    void Load() { m_lists.Load(m_folder.path()); }
    QString File(int n) const { return m_folder.file(CheckListFileName(n)); }

    TempFolder m_folder;
    CheckLists m_lists;
};

TEST(CheckLists, ToggleMarksThenUnmarksKeepingTheOrder) {
    CheckLists lists;
    EXPECT_FALSE(lists.changed(0));
    EXPECT_TRUE(lists.Toggle(0, S("/p/a.jpg")));
    EXPECT_TRUE(lists.Toggle(0, S("/p/b.jpg")));
    EXPECT_TRUE(lists.Toggle(0, S("/p/c.jpg")));
    EXPECT_TRUE(lists.changed(0));
    EXPECT_FALSE(lists.Toggle(0, S("/p/b.jpg")));
    EXPECT_FALSE(lists.contains(0, S("/p/b.jpg")));
    EXPECT_EQ(lists.list(0), L({"/p/a.jpg", "/p/c.jpg"}));
    EXPECT_TRUE(lists.Toggle(0, S("/p/b.jpg")));
    EXPECT_EQ(lists.list(0), L({"/p/a.jpg", "/p/c.jpg", "/p/b.jpg"}));
    EXPECT_TRUE(lists.list(1).isEmpty());
    EXPECT_FALSE(lists.changed(1));
}

TEST(CheckLists, InvertTogglesEveryFileOfTheRange) {
    CheckLists lists;
    lists.Toggle(2, S("/p/2.jpg"));
    lists.Toggle(2, S("/p/z.jpg"));
    lists.Invert(2, L({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"}));
    EXPECT_EQ(lists.list(2), L({"/p/z.jpg", "/p/1.jpg", "/p/3.jpg"}));
    EXPECT_FALSE(lists.contains(2, S("/p/2.jpg")));
    lists.Invert(2, L({"/p/1.jpg", "/p/2.jpg", "/p/3.jpg"}));
    EXPECT_EQ(lists.list(2), L({"/p/z.jpg", "/p/2.jpg"}));
}

TEST_F(LoadedLists, ClearMarksChangedOnlyWhenSomethingWasListed) {
    Put(0, "/p/a.jpg\r\n");
    Load();
    m_lists.Clear(1);
    EXPECT_FALSE(m_lists.changed(1));
    m_lists.Clear(0);
    EXPECT_TRUE(m_lists.changed(0));
    EXPECT_TRUE(m_lists.list(0).isEmpty());
    EXPECT_FALSE(m_lists.contains(0, S("/p/a.jpg")));
}

TEST_F(LoadedLists, RefreshFollowsAMovedFileAndDropsADeletedOne) {
    Put(0, "/p/a.jpg\r\n/p/m.jpg\r\n/p/b.jpg\r\n");
    Put(2, "/p/m.jpg\r\n/p/c.jpg\r\n");
    Put(4, "/p/other.jpg\r\n");
    Load();
    m_lists.CheckListRefresh(S("/p/m.jpg"), S("/q/猫.jpg"));
    EXPECT_EQ(m_lists.list(0), L({"/p/a.jpg", "/q/猫.jpg", "/p/b.jpg"}));
    EXPECT_EQ(m_lists.list(2), L({"/q/猫.jpg", "/p/c.jpg"}));
    EXPECT_TRUE(m_lists.contains(0, S("/q/猫.jpg")));
    EXPECT_FALSE(m_lists.contains(2, S("/p/m.jpg")));
    EXPECT_TRUE(m_lists.changed(0));
    EXPECT_TRUE(m_lists.changed(2));
    EXPECT_FALSE(m_lists.changed(4));

    m_lists.CheckListRefresh(S("/q/猫.jpg"), QString());
    EXPECT_EQ(m_lists.list(0), L({"/p/a.jpg", "/p/b.jpg"}));
    EXPECT_EQ(m_lists.list(2), L({"/p/c.jpg"}));
    EXPECT_EQ(m_lists.list(4), L({"/p/other.jpg"}));
    EXPECT_FALSE(m_lists.changed(4));
}

TEST(CheckLists, RefreshOntoAPathAlreadyMarkedLeavesItOnce) {
    CheckLists lists;
    lists.Invert(0, L({"/p/a.jpg", "/p/b.jpg", "/p/c.jpg"}));
    lists.CheckListRefresh(S("/p/c.jpg"), S("/p/a.jpg"));
    EXPECT_EQ(lists.list(0), L({"/p/a.jpg", "/p/b.jpg"}));
    EXPECT_FALSE(lists.contains(0, S("/p/c.jpg")));
}

TEST_F(LoadedLists, RefreshFolderRewritesOnlyEntriesBelowTheFolder) {
    Put(0, "/p/a/x.jpg\n/p/ab/y.jpg\n/p/a/sub/z.jpg\n/q/p/a/w.jpg\n/p/a/p/a/v.jpg\n");
    Put(1, "/p/ab/only.jpg\n/p/a.jpg\n");
    Load();
    m_lists.CheckListRefreshFolder(S("/p/a"), S("/r/s"));
    EXPECT_EQ(m_lists.list(0),
              L({"/r/s/x.jpg", "/p/ab/y.jpg", "/r/s/sub/z.jpg", "/q/p/a/w.jpg", "/r/s/p/a/v.jpg"}));
    EXPECT_EQ(m_lists.list(1), L({"/p/ab/only.jpg", "/p/a.jpg"}));
    EXPECT_TRUE(m_lists.changed(0));
    EXPECT_FALSE(m_lists.changed(1));
    EXPECT_TRUE(m_lists.contains(0, S("/r/s/sub/z.jpg")));
    EXPECT_FALSE(m_lists.contains(0, S("/p/a/x.jpg")));

    m_lists.CheckListRefreshFolder(S("/r/s/"), QString());
    EXPECT_EQ(m_lists.list(0), L({"/p/ab/y.jpg", "/q/p/a/w.jpg"}));
    EXPECT_FALSE(m_lists.contains(0, S("/r/s/x.jpg")));
    EXPECT_FALSE(m_lists.changed(1));
}

TEST(RewriteTableFolder, RewritesEntriesIntoTheFolderWithOrWithoutAForcedMode) {
    const QStringList table = L({"/p/a", "$COPY=/p/a/sub", "$MOVE=/p/a", "/p/ab", "/p/ab/c", "スライド", "",
                                 "/x/p/a", "$COPY=$MOVE=/p/a/b"});

    QStringList renamed = table;
    EXPECT_TRUE(RewriteTableFolder(renamed, S("/p/a"), S("/r/s/"), S("/home/u")));
    EXPECT_EQ(renamed, L({"/r/s", "$COPY=/r/s/sub", "$MOVE=/r/s", "/p/ab", "/p/ab/c", "スライド", "",
                          "/x/p/a", "$COPY=$MOVE=/r/s/b"}));

    QStringList removed = table;
    EXPECT_TRUE(RewriteTableFolder(removed, S("/p/a/"), QString(), S("/home/u")));
    EXPECT_EQ(removed, L({"", "", "", "/p/ab", "/p/ab/c", "スライド", "", "/x/p/a", ""}));

    QStringList untouched = table;
    EXPECT_FALSE(RewriteTableFolder(untouched, S("/elsewhere"), S("/r"), S("/home/u")));
    EXPECT_EQ(untouched, table);
}

TEST(RewriteTableFolder, CommandsAndHomeRelativeEntriesFollowTheFolder) {
    struct Case {
        const char* entry;
        const char* from;
        const char* to; // empty: the folder was removed
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"$LowDir=/p/a/slots", "/p/a", "/r/s", "/home/u", "$LowDir=/r/s/slots"},
        {"$LowDir=/p/a", "/p/a", "/r/s", "/home/u", "$LowDir=/r/s"},
        {"$OPEN=/p/a", "/p/a", "/r/s", "/home/u", "$OPEN=/r/s"},
        {"$OPEN=/p/ab", "/p/a", "/r/s", "/home/u", "$OPEN=/p/ab"},
        {"$OPEN=/p/a/x", "/p/a", "", "/home/u", ""},
        // "~/" entries compare as the home folder and stay "~/" while the folder stays below it.
        {"~/pics/cats", "/home/u/pics", "/home/u/photos", "/home/u", "~/photos/cats"},
        {"~/pics/cats", "/home/u/pics/", "/home/u/photos/", "/home/u/", "~/photos/cats"},
        {"$MOVE=~/pics", "/home/u/pics", "/home/u/old/pics", "/home/u", "$MOVE=~/old/pics"},
        {"$LowDir=~/pics/slots", "/home/u/pics", "/home/u/photos", "/home/u", "$LowDir=~/photos/slots"},
        {"$OPEN=~/pics", "/home/u/pics", "/mnt/pics", "/home/u", "$OPEN=/mnt/pics"},
        {"~/pics", "/home/u", "/home/v", "/home/u", "/home/v/pics"},
        {"~/pics", "/home/u/pics", "", "/home/u", ""},
        {"~/picsx", "/home/u/pics", "/home/u/photos", "/home/u", "~/picsx"},
        {"~/pics", "/home/w/pics", "/home/w/photos", "/home/u", "~/pics"},
        // Without a home folder "~/" names nothing that can be renamed.
        {"~/pics", "/pics", "/photos", "", "~/pics"},
        // A folder written in full stays in full, even below the home folder.
        {"/home/u/pics/a", "/home/u/pics", "/home/u/photos", "/home/u", "/home/u/photos/a"},
    };
    for (const Case& c : cases) {
        QStringList table{S(c.entry)};
        const bool changed = RewriteTableFolder(table, S(c.from), S(c.to), S(c.home));
        EXPECT_EQ(table, QStringList{S(c.expected)}) << c.entry << " " << c.from << " -> " << c.to;
        EXPECT_EQ(changed, std::strcmp(c.entry, c.expected) != 0) << c.entry << " " << c.from;
    }
}

TEST(CheckLists, MarksNameEveryListHoldingTheFileWithItsCount) {
    QStringList names;
    for (int n = 0; n < CheckLists::kCount; ++n) {
        names.append(DefaultListName(n));
    }
    CheckLists lists;
    lists.Toggle(1, S("/p/f.jpg"));
    lists.Toggle(1, S("/p/g.jpg"));
    lists.Toggle(3, S("/p/f.jpg"));
    EXPECT_EQ(lists.Marks(S("/p/f.jpg"), names), S("  :  猫[2]  :  削除候補[1]"));
    EXPECT_EQ(lists.Marks(S("/p/g.jpg"), names), S("  :  猫[2]"));
    EXPECT_EQ(lists.Marks(S("/p/none.jpg"), names), QString());
    EXPECT_EQ(DefaultListName(9), S("プリント"));
    EXPECT_EQ(CheckListFileName(0), S("List_A.lst"));
    EXPECT_EQ(CheckListFileName(9), S("List_J.lst"));
}

TEST_F(LoadedLists, LoadReadsCp932AndUtf8LinesOnceEach) {
    // "/写真/猫.jpg" in CP932 with LF line ends, a blank line and a repeated path.
    const QByteArray cp932 =
        QByteArray("/\x8e\xca\x90\x5e/\x94\x4c.jpg\n\n/p/b.jpg\n/\x8e\xca\x90\x5e/\x94\x4c.jpg\n");
    Put(2, cp932);
    Put(0, "/p/\xe7\x8c\xab.jpg\r\n\r\n/p/x.jpg\r\n");
    m_lists.Toggle(5, S("/p/before.jpg"));
    Load();
    EXPECT_EQ(m_lists.list(2), L({"/写真/猫.jpg", "/p/b.jpg"}));
    EXPECT_EQ(m_lists.list(0), L({"/p/猫.jpg", "/p/x.jpg"}));
    EXPECT_TRUE(m_lists.contains(2, S("/写真/猫.jpg")));
    EXPECT_TRUE(m_lists.list(5).isEmpty());
    for (int n = 0; n < CheckLists::kCount; ++n) {
        EXPECT_FALSE(m_lists.changed(n)) << n;
    }
}

TEST_F(LoadedLists, SaveWritesChangedListsAndRemovesEmptiedOnes) {
    const QByteArray unchanged = "/p/\x94\x4c.jpg\r\n";
    Put(0, unchanged);
    Put(1, "/p/b.jpg\n");
    Put(2, "/p/c.jpg\r\n");
    Load();
    // An old time on the untouched file shows whether Save rewrote it.
    utimbuf old{1000000000, 1000000000};
    ASSERT_EQ(::utime(NativePath(File(0)).constData(), &old), 0);

    m_lists.Toggle(1, S("/p/猫.jpg"));
    m_lists.Clear(2);
    m_lists.Toggle(3, S("/p/d.jpg"));
    m_lists.Toggle(3, S("/p/d.jpg")); // changed, but empty and never had a file
    ASSERT_TRUE(m_lists.Save(m_folder.path()));

    EXPECT_EQ(Bytes(File(0)), unchanged);
    EXPECT_EQ(StatPath(File(0)).modifiedSeconds, 1000000000);
    EXPECT_EQ(Bytes(File(1)), QByteArray("/p/b.jpg\r\n/p/\xe7\x8c\xab.jpg\r\n"));
    EXPECT_EQ(PathKind(File(2)), PathType::None);
    EXPECT_EQ(PathKind(File(3)), PathType::None);
    for (int n = 0; n < CheckLists::kCount; ++n) {
        EXPECT_FALSE(m_lists.changed(n)) << n;
    }

    CheckLists again;
    again.Load(m_folder.path());
    EXPECT_EQ(again.list(1), m_lists.list(1));
}

TEST_F(LoadedLists, NamesThatAreNotUtf8SurviveASaveAndALoad) {
    // A Shift_JIS name ("猫.jpg") and a Latin-1 one ("é.jpg"), each the name of a real file, and a
    // Shift_JIS name whose file is gone.
    const QByteArray base = NativePath(m_folder.path());
    const QStringList paths{PathFromNative(base + "/\x94\x4c.jpg"), PathFromNative(base + "/\xe9.jpg"),
                            PathFromNative(base + "/gone/\x94\x4c.jpg")};
    for (const QString& path : paths.mid(0, 2)) {
        m_folder.write(FileNameOf(path), "picture");
    }
    for (const QString& path : paths) {
        m_lists.Toggle(4, path);
    }
    ASSERT_TRUE(m_lists.Save(m_folder.path()));
    EXPECT_EQ(Bytes(File(4)),
              base + "/\x94\x4c.jpg\r\n" + base + "/\xe9.jpg\r\n" + base + "/gone/\x94\x4c.jpg\r\n");

    CheckLists again;
    again.Load(m_folder.path());
    // The file that is gone reads as CP932 text: a list file from Windows looks the same.
    EXPECT_EQ(again.list(4), (QStringList{paths[0], paths[1], m_folder.path() + S("/gone/猫.jpg")}));
    EXPECT_TRUE(again.contains(4, paths[0]));
    EXPECT_TRUE(again.contains(4, paths[1]));
}

// A list file that cannot be read is never written over: it is set aside as ".bad" and its list
// starts empty, or, when even that is impossible, its list is never saved.
TEST(CheckListsLoad, UnreadableFilesAreSetAsideOrLeftAlone) {
    if (!RunsAsOrdinaryUser()) {
        return;
    }
    struct Case {
        const char* what;
        bool readable;
        qint64 size; // 0: as written
        bool folderWritable;
        QString message;
    };
    const QString tooLarge = S("チェックリスト「List_A.lst」は大きすぎて（64MB超）読み取れないため");
    const QString unreadable = S("チェックリスト「List_A.lst」を読み取れないため");
    const Case cases[] = {
        {"permission denied", false, 0, true, unreadable + S("「List_A.lst.bad」に退避しました")},
        {"too large", true, kMaxTextFileBytes + 1, true, tooLarge + S("「List_A.lst.bad」に退避しました")},
        {"permission denied in a read-only folder", false, 0, false, unreadable + S("、変更は保存しません")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const QByteArray old = "/p/old.jpg\r\n";
        const QString file = folder.write(CheckListFileName(0), old);
        folder.write(CheckListFileName(1), "/p/b.jpg\r\n");
        if (c.size > 0) {
            ASSERT_EQ(::truncate(NativePath(file).constData(), c.size), 0);
        }
        ASSERT_EQ(::chmod(NativePath(file).constData(), c.readable ? 0644 : 0), 0);
        ASSERT_EQ(::chmod(NativePath(folder.path()).constData(), c.folderWritable ? 0755 : 0555), 0);

        CheckLists lists;
        EXPECT_EQ(lists.Load(folder.path()), QStringList{c.message});
        EXPECT_TRUE(lists.list(0).isEmpty());
        EXPECT_EQ(lists.list(1), QStringList{S("/p/b.jpg")});
        lists.Toggle(0, S("/p/new.jpg"));
        EXPECT_TRUE(lists.Save(folder.path()));
        EXPECT_TRUE(lists.TakeChanged().empty());

        const QString kept = c.folderWritable ? file + S(".bad") : file;
        ASSERT_EQ(::chmod(NativePath(folder.path()).constData(), 0755), 0);
        ASSERT_EQ(::chmod(NativePath(kept).constData(), 0644), 0);
        EXPECT_EQ(StatPath(kept).size, c.size > 0 ? c.size : old.size());
        if (c.size == 0) {
            EXPECT_EQ(Bytes(kept), old);
        }
        EXPECT_EQ(Bytes(file), c.folderWritable ? QByteArray("/p/new.jpg\r\n") : old);
    }
}

TEST(CheckListsSave, FailsWhenTheFolderIsAFile) {
    TempFolder folder;
    const QString notAFolder = folder.write(QStringLiteral("plain"), "x");
    for (const bool emptied : {false, true}) {
        SCOPED_TRACE(emptied);
        CheckLists lists;
        lists.Toggle(4, S("/p/e.jpg"));
        if (emptied) {
            lists.Clear(4);
        }
        QString failed;
        EXPECT_FALSE(lists.Save(notAFolder, &failed));
        EXPECT_EQ(failed, notAFolder + S("/List_E.lst"));
        EXPECT_TRUE(lists.changed(4));
    }
}

TEST(CheckListsSave, StopsAtTheFirstListThatCannotBeWritten) {
    TempFolder folder;
    folder.folder(CheckListFileName(0)); // a folder where list A's file belongs
    CheckLists lists;
    lists.Toggle(0, S("/p/a.jpg"));
    lists.Toggle(1, S("/p/b.jpg"));
    QString failed;
    EXPECT_FALSE(lists.Save(folder.path(), &failed));
    EXPECT_EQ(failed, folder.file(S("List_A.lst")));
    EXPECT_EQ(PathKind(folder.file(S("List_B.lst"))), PathType::None);
    EXPECT_TRUE(lists.changed(0));
    EXPECT_TRUE(lists.changed(1));
}

} // namespace
