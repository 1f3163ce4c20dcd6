#include "core/filelist/FileScan.h"

#include "core/common/NativePath.h"
#include "core/settings/Options.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace {

ScanRule DefaultRule(int sortMode = 0) {
    ScanRule rule;
    rule.mask = BuildScanMask(QString(), Options());
    rule.sortMode = SortOrderOfCode(sortMode);
    return rule;
}

QString NameOf(const QString& path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QStringList NamesOf(const FileEntries& list) {
    QStringList names;
    for (const FileEntry& entry : list) {
        names << NameOf(entry.path);
    }
    return names;
}

QStringList PathsOf(const FileEntries& list) {
    QStringList paths;
    for (const FileEntry& entry : list) {
        paths << entry.path;
    }
    return paths;
}

QStringList Sorted(QStringList names) {
    names.sort();
    return names;
}

// Every name of the folder, "." and ".." included, in the order the file system gives them.
QStringList ReaddirNames(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(NativePath(folder).constData());
    EXPECT_NE(dir, nullptr) << folder.toStdString();
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        names << PathFromNative(QByteArray(entry->d_name));
    }
    ::closedir(dir);
    return names;
}

bool IsDot(const QString& name) {
    return name == QLatin1String(".") || name == QLatin1String("..");
}

void Link(const QByteArray& target, const QString& link) {
    ASSERT_EQ(::symlink(target.constData(), NativePath(link).constData()), 0) << link.toStdString();
}

void WriteSized(const TempFolder& temp, const QString& name, int size) {
    temp.write(name, QByteArray(size, 'x'));
}

TEST(FileSearch, TakesWhatTheMaskNames) {
    TempFolder temp;
    for (const char* name : {"A.JPG", "b.jpeg", "c.jpe", "d.JPEG.txt"}) {
        WriteSized(temp, QString::fromUtf8(name), 200);
    }
    FileEntries list;
    ScanRule rule = DefaultRule();
    EXPECT_EQ(FileSearch(list, temp.path(), rule), 600);
    EXPECT_EQ(Sorted(PathsOf(list)),
              QStringList({temp.file(QStringLiteral("A.JPG")), temp.file(QStringLiteral("b.jpeg")),
                           temp.file(QStringLiteral("c.jpe"))}));

    // A folder written with a closing "/" (as the root is) gives no doubled "/".
    EXPECT_EQ(FileSearch(list, temp.path() + QLatin1Char('/'), rule), 600);
    EXPECT_EQ(Sorted(PathsOf(list)),
              QStringList({temp.file(QStringLiteral("A.JPG")), temp.file(QStringLiteral("b.jpeg")),
                           temp.file(QStringLiteral("c.jpe"))}));

    Options withText;
    withText.Txt = true;
    rule.mask = BuildScanMask(QString(), withText);
    EXPECT_EQ(FileSearch(list, temp.path(), rule), 800);
    EXPECT_EQ(list.size(), 4u);
}

struct SizeCase {
    qint64 minSize;
    qint64 maxSize;
    QStringList expected;
};

TEST(FileSearch, SizeBoundsAreInclusive) {
    TempFolder temp;
    const std::map<QString, int> sizes = {{QStringLiteral("s0.jpg"), 0},
                                          {QStringLiteral("s127.jpg"), 127},
                                          {QStringLiteral("s128.jpg"), 128},
                                          {QStringLiteral("s500.jpg"), 500},
                                          {QStringLiteral("s501.jpg"), 501}};
    for (const auto& [name, size] : sizes) {
        WriteSized(temp, name, size);
    }
    const SizeCase cases[] = {
        {128,
         2048000000,
         {QStringLiteral("s128.jpg"), QStringLiteral("s500.jpg"), QStringLiteral("s501.jpg")}},
        {127, 500, {QStringLiteral("s127.jpg"), QStringLiteral("s128.jpg"), QStringLiteral("s500.jpg")}},
        {0, 127, {QStringLiteral("s0.jpg"), QStringLiteral("s127.jpg")}},
        {128, 128, {QStringLiteral("s128.jpg")}},
        {501, 500, {}},
    };
    for (const SizeCase& c : cases) {
        ScanRule rule = DefaultRule();
        rule.minSize = c.minSize;
        rule.maxSize = c.maxSize;
        FileEntries list;
        qint64 expectedTotal = 0;
        for (const QString& name : c.expected) {
            expectedTotal += sizes.at(name);
        }
        EXPECT_EQ(FileSearch(list, temp.path(), rule), expectedTotal) << c.minSize << ".." << c.maxSize;
        EXPECT_EQ(Sorted(NamesOf(list)), c.expected) << c.minSize << ".." << c.maxSize;
    }
}

TEST(FileSearch, OddNamesHiddenFilesAndLinks) {
    TempFolder temp;
    const QStringList taken = {QStringLiteral(".hidden.jpg"), QStringLiteral(".jpg"),
                               QStringLiteral("with space.jpg"), QStringLiteral("quote\"'.jpg"),
                               QStringLiteral("new\nline.jpg")};
    for (const QString& name : taken) {
        WriteSized(temp, name, 200);
    }
    for (const char* name : {"README", "photo.", "photo.jpg.", "notes.txt"}) {
        WriteSized(temp, QString::fromUtf8(name), 200);
    }
    temp.folder(QStringLiteral("folder.jpg"));
    WriteSized(temp, QStringLiteral("target.bin"), 300);
    WriteSized(temp, QStringLiteral("small.bin"), 10);
    Link("target.bin", temp.file(QStringLiteral("link.jpg")));
    Link("small.bin", temp.file(QStringLiteral("small-link.jpg")));
    Link("missing.bin", temp.file(QStringLiteral("dangling.jpg")));
    Link("folder.jpg", temp.file(QStringLiteral("folder-link.jpg")));
    ASSERT_EQ(::mkfifo(NativePath(temp.file(QStringLiteral("pipe.jpg"))).constData(), 0600), 0);
    Link("pipe.jpg", temp.file(QStringLiteral("pipe-link.jpg")));

    // Keys by size (code 2) show that a link counts with the size of what it points to.
    FileEntries list;
    EXPECT_EQ(FileSearch(list, temp.path(), DefaultRule(2)), 5 * 200 + 300);
    std::map<QString, std::int32_t> keys;
    for (const FileEntry& entry : list) {
        EXPECT_EQ(entry.path, temp.file(NameOf(entry.path)));
        keys[NameOf(entry.path)] = entry.key;
    }
    std::map<QString, std::int32_t> expected;
    for (const QString& name : taken) {
        expected[name] = 200;
    }
    expected[QStringLiteral("link.jpg")] = 300;
    EXPECT_EQ(keys, expected);

    // With no lower bound the small link counts too, but a pipe (or a link to one) is no file to show.
    ScanRule anySize = DefaultRule();
    anySize.minSize = 0;
    FileSearch(list, temp.path(), anySize);
    QStringList names = taken;
    names << QStringLiteral("link.jpg") << QStringLiteral("small-link.jpg");
    EXPECT_EQ(Sorted(NamesOf(list)), Sorted(names));
}

TEST(FileSearch, NonUtf8NameRoundTrips) {
    TempFolder temp;
    const QByteArray nativeName("\xff\xfe.jpg");
    const QByteArray content(256, 'q');
    const QByteArray nativePath = NativePath(temp.path()) + '/' + nativeName;
    const int fd = ::open(nativePath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, content.constData(), static_cast<size_t>(content.size())), content.size());
    ::close(fd);

    FileEntries list;
    EXPECT_EQ(FileSearch(list, temp.path(), DefaultRule()), 256);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(NativePath(list[0].path), nativePath);
    QFile file;
    ASSERT_TRUE(OpenFile(file, list[0].path, QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), content);
}

TEST(FileSearch, UnreadableOrMissingFolderGivesNothing) {
    TempFolder temp;
    FileEntries list = {{QStringLiteral("/left/over.jpg"), 1}};
    EXPECT_EQ(FileSearch(list, temp.file(QStringLiteral("missing")), DefaultRule()), 0);
    EXPECT_TRUE(list.empty());

    // Permissions do not stop root from reading, so the closed folder only tells something to
    // other users.
    if (::geteuid() != 0) {
        const QString closed = temp.folder(QStringLiteral("closed"));
        WriteSized(temp, QStringLiteral("closed/a.jpg"), 200);
        ASSERT_EQ(::chmod(NativePath(closed).constData(), 0), 0);
        list = {{QStringLiteral("/left/over.jpg"), 1}};
        EXPECT_EQ(FileSearch(list, closed, DefaultRule()), 0);
        EXPECT_TRUE(list.empty());
        ::chmod(NativePath(closed).constData(), 0700);
    }
}

// Small folders are looked up on one thread, large ones over several; both keep the file
// system's order.
TEST(FileSearch, KeepsTheFileSystemOrder) {
    for (const int count : {12, 4000}) {
        TempFolder temp;
        for (int i = 0; i < count; ++i) {
            const char* ext = i % 3 == 0 ? ".txt" : (i % 3 == 1 ? ".jpg" : ".PNG");
            WriteSized(temp, QStringLiteral("f%1%2").arg(i).arg(QLatin1String(ext)), 128 + i % 7);
        }
        temp.folder(QStringLiteral("sub.jpg"));
        QStringList expected;
        qint64 expectedTotal = 0;
        for (const QString& name : ReaddirNames(temp.path())) {
            if (name.endsWith(QLatin1String(".jpg")) || name.endsWith(QLatin1String(".PNG"))) {
                if (name != QLatin1String("sub.jpg")) {
                    expected << name;
                    expectedTotal += 128 + name.mid(1, name.size() - 5).toInt() % 7;
                }
            }
        }
        FileEntries list;
        EXPECT_EQ(FileSearch(list, temp.path(), DefaultRule()), expectedTotal) << count;
        EXPECT_EQ(NamesOf(list), expected) << count;
    }
}

std::int32_t PackedLocal(int year, int month, int day, int hour, int minute, int second) {
    const std::uint32_t packed =
        (static_cast<std::uint32_t>(year - 1980) << 25) | (static_cast<std::uint32_t>(month) << 21) |
        (static_cast<std::uint32_t>(day) << 16) | (static_cast<std::uint32_t>(hour) << 11) |
        (static_cast<std::uint32_t>(minute) << 5) | static_cast<std::uint32_t>(second / 2);
    return static_cast<std::int32_t>(packed);
}

struct TimeCase {
    int year, month, day, hour, minute, second;
};

TEST(FileSearch, DateKeyIsThePackedLocalTime) {
    const TimeCase cases[] = {
        {2021, 3, 4, 5, 6, 9}, {1980, 1, 1, 0, 0, 0}, {2043, 12, 31, 23, 59, 58}, {2050, 7, 15, 12, 30, 45}};
    for (const int sortMode : {3, 19}) {
        TempFolder temp;
        std::map<QString, std::int32_t> expected;
        for (const TimeCase& c : cases) {
            const QString path = temp.write(QStringLiteral("t%1.jpg").arg(c.year), QByteArray(200, 'd'));
            struct tm local {};
            local.tm_year = c.year - 1900;
            local.tm_mon = c.month - 1;
            local.tm_mday = c.day;
            local.tm_hour = c.hour;
            local.tm_min = c.minute;
            local.tm_sec = c.second;
            local.tm_isdst = -1;
            const time_t seconds = std::mktime(&local);
            const timespec times[2] = {{seconds, 0}, {seconds, 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, NativePath(path).constData(), times, 0), 0);
            expected[NameOf(path)] = PackedLocal(c.year, c.month, c.day, c.hour, c.minute, c.second);
        }
        FileEntries list;
        FileSearch(list, temp.path(), DefaultRule(sortMode));
        std::map<QString, std::int32_t> keys;
        for (const FileEntry& entry : list) {
            keys[NameOf(entry.path)] = entry.key;
        }
        EXPECT_EQ(keys, expected) << sortMode;
    }
}

// A list sorted by name: names equal but for case may come in either order.
void ExpectNameOrder(const FileEntries& list, const QStringList& expected, const char* label) {
    QStringList names = NamesOf(list);
    ASSERT_EQ(names.size(), expected.size()) << label;
    for (qsizetype i = 0; i < names.size(); ++i) {
        EXPECT_EQ(names[i].compare(expected[i], Qt::CaseInsensitive), 0)
            << label << ": " << names.join(QLatin1Char(' ')).toStdString();
    }
}

TEST(SortFileList, NameOrdersIgnoreCaseAndCompareDigitsAsText) {
    const QLocale previous;
    for (const QLocale& locale :
         {QLocale(QLocale::C), QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::English)}) {
        QLocale::setDefault(locale);
        const std::string label = locale.name().toStdString();
        FileEntries list;
        for (const char* name : {"a9.jpg", "B.jpg", "a.jpg", "a10.jpg", "A.JPG", "b1.jpg"}) {
            list.push_back({QStringLiteral("/t/") + QString::fromUtf8(name), 0});
        }
        SortFileList(list, SortOrder::Name);
        ExpectNameOrder(list,
                        {QStringLiteral("a.jpg"), QStringLiteral("a.jpg"), QStringLiteral("a10.jpg"),
                         QStringLiteral("a9.jpg"), QStringLiteral("b.jpg"), QStringLiteral("b1.jpg")},
                        label.c_str());
        SortFileList(list, SortOrder::NameDescending);
        ExpectNameOrder(list,
                        {QStringLiteral("b1.jpg"), QStringLiteral("b.jpg"), QStringLiteral("a9.jpg"),
                         QStringLiteral("a10.jpg"), QStringLiteral("a.jpg"), QStringLiteral("a.jpg")},
                        label.c_str());
    }
    QLocale::setDefault(previous);
}

TEST(FileSearch, SortsByTheRuleOrder) {
    TempFolder temp;
    for (const char* name : {"a9.jpg", "B.jpg", "a.jpg", "a10.jpg", "A.JPG"}) {
        WriteSized(temp, QString::fromUtf8(name), 200);
    }
    FileEntries list;
    FileSearch(list, temp.path(), DefaultRule(1));
    ExpectNameOrder(list,
                    {QStringLiteral("a.jpg"), QStringLiteral("a.jpg"), QStringLiteral("a10.jpg"),
                     QStringLiteral("a9.jpg"), QStringLiteral("b.jpg")},
                    "ascending");
    FileSearch(list, temp.path(), DefaultRule(17));
    ExpectNameOrder(list,
                    {QStringLiteral("b.jpg"), QStringLiteral("a9.jpg"), QStringLiteral("a10.jpg"),
                     QStringLiteral("a.jpg"), QStringLiteral("a.jpg")},
                    "descending");
}

// One call of the progress.
struct Visit {
    QString folder;
    int found = 0;
    int lookedAt = 0;
    bool operator==(const Visit&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Visit& visit) {
    return out << visit.folder.toStdString() << " found " << visit.found << " looked at " << visit.lookedAt;
}

// What a depth-first walk in file-system order finds: the files with `ext` and the progress
// seen on entering each folder. Folders here are real folders, no links.
void WalkByHand(const QString& folder, const QString& ext, QStringList& files, std::vector<Visit>& visits,
                int& lookedAt) {
    visits.push_back({folder, static_cast<int>(files.size()), lookedAt});
    for (const QString& name : ReaddirNames(folder)) {
        ++lookedAt;
        const QString path = folder + QLatin1Char('/') + name;
        if (IsDot(name)) {
            continue;
        }
        if (StatPath(path).isFolder) {
            WalkByHand(path, ext, files, visits, lookedAt);
        } else if (name.endsWith(ext)) {
            files << path;
        }
    }
}

TEST(FullSearch, WalksDepthFirstInFileSystemOrder) {
    TempFolder temp;
    for (int i = 0; i < 6; ++i) {
        WriteSized(temp, QStringLiteral("r%1.jpg").arg(i), 130);
        WriteSized(temp, QStringLiteral("sub/s%1.jpg").arg(i), 130);
        WriteSized(temp, QStringLiteral("sub/deeper/d%1.jpg").arg(i), 130);
        WriteSized(temp, QStringLiteral("other/o%1.jpg").arg(i), 130);
        WriteSized(temp, QStringLiteral("other/o%1.txt").arg(i), 130);
    }
    temp.folder(QStringLiteral("empty"));
    // Enough files in one folder to look them up over several threads.
    for (int i = 0; i < 2500; ++i) {
        WriteSized(temp, QStringLiteral("sub/many/m%1.jpg").arg(i), 128);
    }
    QStringList expected;
    std::vector<Visit> expectedVisits;
    int lookedAt = 0;
    WalkByHand(temp.path(), QStringLiteral(".jpg"), expected, expectedVisits, lookedAt);

    std::vector<Visit> visits;
    FileEntries list;
    bool stopped = true;
    const qint64 total = FullSearch(
        list, temp.path(), DefaultRule(),
        [&](const QString& folder, int found, int looked) {
            visits.push_back({folder, found, looked});
            return true;
        },
        &stopped);
    EXPECT_FALSE(stopped);
    EXPECT_EQ(total, 24 * 130 + 2500 * 128);
    EXPECT_EQ(PathsOf(list), expected);
    EXPECT_EQ(visits, expectedVisits);
}

TEST(FullSearch, StopKeepsWhatWasFoundUnsorted) {
    TempFolder temp;
    for (int i = 0; i < 20; ++i) {
        WriteSized(temp, QStringLiteral("r%1.jpg").arg(i, 2, 10, QLatin1Char('0')), 130);
    }
    // The files that come before the subfolder are found before the stop. Rename the subfolder
    // until the file system puts at least two files, out of name order, before it.
    QStringList before;
    QString sub = temp.folder(QStringLiteral("sub0"));
    for (int attempt = 1; attempt < 100; ++attempt) {
        before.clear();
        for (const QString& name : ReaddirNames(temp.path())) {
            if (name.startsWith(QLatin1String("sub"))) {
                break;
            }
            if (!IsDot(name)) {
                before << temp.file(name);
            }
        }
        if (before.size() >= 2 && before != Sorted(before)) {
            break;
        }
        const QString renamed = temp.file(QStringLiteral("sub%1").arg(attempt));
        ASSERT_EQ(::rename(NativePath(sub).constData(), NativePath(renamed).constData()), 0);
        sub = renamed;
    }
    ASSERT_GE(before.size(), 2);
    ASSERT_NE(before, Sorted(before));
    WriteSized(temp, NameOf(sub) + QStringLiteral("/inner.jpg"), 130);

    int calls = 0;
    int sortsAnnounced = 0;
    bool stopped = false;
    FileEntries list;
    const qint64 total = FullSearch(
        list, temp.path(), DefaultRule(1), [&](const QString&, int, int) { return ++calls < 2; }, &stopped,
        [&] { ++sortsAnnounced; });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(sortsAnnounced, 0);
    EXPECT_EQ(PathsOf(list), before);
    EXPECT_EQ(total, 130 * before.size());

    // Stopped at the first folder: nothing.
    EXPECT_EQ(
        FullSearch(
            list, temp.path(), DefaultRule(1), [](const QString&, int, int) { return false; }, &stopped),
        0);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(list.empty());

    // Not stopped: all of it, announced while still in walk order, then sorted.
    QStringList walkOrder;
    EXPECT_EQ(FullSearch(list, temp.path(), DefaultRule(1), ScanProgress(), &stopped,
                         [&] {
                             ++sortsAnnounced;
                             walkOrder = PathsOf(list);
                         }),
              21 * 130);
    EXPECT_FALSE(stopped);
    EXPECT_EQ(sortsAnnounced, 1);
    EXPECT_EQ(walkOrder.mid(0, before.size()), before);
    ASSERT_EQ(list.size(), 21u);
    EXPECT_EQ(PathsOf(list), Sorted(PathsOf(list)));
}

TEST(FullSearch, FollowsFolderLinksOnceNeverIntoALoop) {
    TempFolder temp;
    WriteSized(temp, QStringLiteral("r.jpg"), 130);
    WriteSized(temp, QStringLiteral("a/x.jpg"), 140);
    Link("..", temp.file(QStringLiteral("a/up")));
    Link(".", temp.file(QStringLiteral("self")));
    Link("a", temp.file(QStringLiteral("also-a")));

    int folders = 0;
    FileEntries list;
    bool stopped = true;
    EXPECT_EQ(FullSearch(
                  list, temp.path(), DefaultRule(1),
                  [&](const QString&, int, int) {
                      ++folders;
                      return folders < 100;
                  },
                  &stopped),
              130 + 140);
    EXPECT_FALSE(stopped);
    EXPECT_EQ(folders, 2);
    EXPECT_EQ(Sorted(NamesOf(list)), QStringList({QStringLiteral("r.jpg"), QStringLiteral("x.jpg")}));
}

TEST(FullSearch, MissingFolderGivesNothing) {
    TempFolder temp;
    FileEntries list = {{QStringLiteral("/left/over.jpg"), 1}};
    bool stopped = true;
    EXPECT_EQ(FullSearch(list, temp.file(QStringLiteral("missing")), DefaultRule(), ScanProgress(), &stopped),
              0);
    EXPECT_TRUE(list.empty());
    EXPECT_FALSE(stopped);
}

} // namespace
