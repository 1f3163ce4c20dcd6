#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/convert/ImageEncoders.h"
#include "core/filelist/FileScan.h"
#include "core/settings/Options.h"
#include "support/TempFolder.h"

#include <QImage>
#include <QLocale>
#include <QStringList>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <set>
#include <sys/stat.h>
#include <vector>

namespace {

ScanRule RuleFor(int sortMode) {
    ScanRule rule;
    rule.mask = BuildScanMask(QString(), Options());
    rule.sortMode = SortOrderOfCode(sortMode);
    return rule;
}

QStringList LowerNamesOf(const FileEntries& list) {
    QStringList names;
    for (const FileEntry& entry : list) {
        names << FileNameOf(entry.path).toLower();
    }
    return names;
}

QStringList Lower(const std::vector<const char*>& names) {
    QStringList lower;
    for (const char* name : names) {
        lower << QString::fromUtf8(name).toLower();
    }
    return lower;
}

// A flat picture of the given size, in the format its name's extension says.
QByteArray Encoded(const QString& name, int width, int height, const QByteArray& app1) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(90, 140, 200));
    const QString extension = UpperExtension(name);
    if (extension == QLatin1String(".PNG")) {
        return EncodePng(image, {});
    }
    if (extension == QLatin1String(".GIF")) {
        return EncodeGif(width, height, {{image, 0, 0, 10, 1}});
    }
    if (extension == QLatin1String(".BMP")) {
        return EncodeBmp(image, 24);
    }
    JpegEncodeOptions options;
    options.app1 = app1;
    return EncodeJpeg(image, options);
}

// A JPEG that is only a start of image and a baseline frame header: the sizes no encoder makes.
QByteArray FrameHeaderOnly(int width, int height) {
    QByteArray bytes("\xFF\xD8\xFF\xC0\x00\x11\x08", 7);
    for (const int value : {height, width}) {
        bytes.append(static_cast<char>((value >> 8) & 0xFF));
        bytes.append(static_cast<char>(value & 0xFF));
    }
    bytes.append("\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xFF\xD9", 12);
    return bytes;
}

enum class Content { Picture, FrameHeaderOnly, CutBeforeFrame, Text };

struct TableFile {
    const char* name;
    Content content;
    int width;
    int height;
    int bytes; // the file is padded to this size
    int year;  // modified on 1 January of this year, noon local time
};

// Each file's place in each order is worked out in the cases of SortsEveryOrder.
const TableFile kTable[] = {
    {"a.jpg", Content::Picture, 640, 480, 30000, 2020},
    {"A.JPG", Content::Picture, 640, 480, 30000, 2020}, // the same file but for the case of its name
    {"a9.jpg", Content::Picture, 1024, 768, 50000, 2021},
    {"a10.jpg", Content::Picture, 1600, 900, 50000, 2019}, // its frame header lies behind a large APP1
    {"B.png", Content::Picture, 600, 800, 40000, 2022},
    {"c.gif", Content::Picture, 1024, 768, 20000, 2018},
    {"d.png", Content::Picture, 800, 800, 60000, 2023},
    {"e.jpg", Content::Text, 0, 0, 10000, 2017},
    {"f.bmp", Content::Picture, 30, 20, 25000, 2023},
    {"g.jpg", Content::CutBeforeFrame, 0, 0, 11000, 2013},
    {"huge.jpg", Content::FrameHeaderOnly, 65535, 65535, 16000, 2012}, // key -1 in 9 and 10
    {"w0.jpg", Content::FrameHeaderOnly, 0, 50, 12000, 2014},          // no width: unreadable shape
    {"wide.jpg", Content::FrameHeaderOnly, 40000, 10, 15000, 2015},    // negative key in 9
};

void WriteTable(const TempFolder& temp) {
    for (const TableFile& file : kTable) {
        const QString name = QString::fromUtf8(file.name);
        QByteArray bytes;
        switch (file.content) {
        case Content::Picture:
            bytes = Encoded(name, file.width, file.height,
                            name == QLatin1String("a10.jpg") ? QByteArray(20000, 'x') : QByteArray());
            break;
        case Content::FrameHeaderOnly:
            bytes = FrameHeaderOnly(file.width, file.height);
            break;
        case Content::CutBeforeFrame:
            bytes = Encoded(name, 64, 48, {}).left(20);
            break;
        case Content::Text:
            bytes = "not a picture";
            break;
        }
        ASSERT_LE(bytes.size(), file.bytes) << file.name;
        bytes.append(file.bytes - bytes.size(), '\0');
        const QString path = temp.write(name, bytes);
        struct tm local {};
        local.tm_year = file.year - 1900;
        local.tm_mday = 1;
        local.tm_hour = 12;
        local.tm_isdst = -1;
        const time_t seconds = std::mktime(&local);
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, NativePath(path).constData(), times, 0), 0) << file.name;
    }
}

// The names of the folder in the order the file system gives them.
QStringList ReaddirLowerNames(const QString& folder) {
    QStringList names;
    DIR* dir = ::opendir(NativePath(folder).constData());
    EXPECT_NE(dir, nullptr);
    if (dir == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const QString name = PathFromNative(QByteArray(entry->d_name));
        if (name != QLatin1String(".") && name != QLatin1String("..")) {
            names << name.toLower();
        }
    }
    ::closedir(dir);
    return names;
}

struct OrderCase {
    int code;
    std::vector<const char*> names; // "a.jpg" twice stands for a.jpg and A.JPG in either order
};

// Every order on real files, in the C locale (case folded before the keys are made) and in a
// locale that collates.
TEST(SortOrder, SortsEveryOrder) {
    TempFolder temp;
    WriteTable(temp);
    const std::vector<OrderCase> cases = {
        // Digits compare as text; case is ignored.
        {1,
         {"a.jpg", "a.jpg", "a10.jpg", "a9.jpg", "B.png", "c.gif", "d.png", "e.jpg", "f.bmp", "g.jpg",
          "huge.jpg", "w0.jpg", "wide.jpg"}},
        {17,
         {"wide.jpg", "w0.jpg", "huge.jpg", "g.jpg", "f.bmp", "e.jpg", "d.png", "c.gif", "B.png", "a9.jpg",
          "a10.jpg", "a.jpg", "a.jpg"}},
        {4,
         {"f.bmp", "c.gif", "a.jpg", "a.jpg", "a10.jpg", "a9.jpg", "e.jpg", "g.jpg", "huge.jpg", "w0.jpg",
          "wide.jpg", "B.png", "d.png"}},
        // Equal sizes (a9, a10) by path ascending, and descending in 18.
        {2,
         {"e.jpg", "g.jpg", "w0.jpg", "wide.jpg", "huge.jpg", "c.gif", "f.bmp", "a.jpg", "a.jpg", "B.png",
          "a10.jpg", "a9.jpg", "d.png"}},
        {18,
         {"d.png", "a9.jpg", "a10.jpg", "B.png", "a.jpg", "a.jpg", "f.bmp", "c.gif", "huge.jpg", "wide.jpg",
          "w0.jpg", "g.jpg", "e.jpg"}},
        // Equal times (d, f) the same way.
        {3,
         {"huge.jpg", "g.jpg", "w0.jpg", "wide.jpg", "e.jpg", "c.gif", "a10.jpg", "a.jpg", "a.jpg", "a9.jpg",
          "B.png", "d.png", "f.bmp"}},
        {19,
         {"f.bmp", "d.png", "B.png", "a9.jpg", "a.jpg", "a.jpg", "a10.jpg", "c.gif", "e.jpg", "wide.jpg",
          "w0.jpg", "g.jpg", "huge.jpg"}},
        // Equal sizes (a9, c) by path ascending; keys compare signed, so the widths of 32768 and
        // more come after the unreadable files.
        {9,
         {"a10.jpg", "a9.jpg", "c.gif", "d.png", "a.jpg", "a.jpg", "B.png", "f.bmp", "w0.jpg", "e.jpg",
          "g.jpg", "huge.jpg", "wide.jpg"}},
        {10,
         {"a10.jpg", "d.png", "B.png", "a9.jpg", "c.gif", "a.jpg", "a.jpg", "w0.jpg", "f.bmp", "wide.jpg",
          "e.jpg", "g.jpg", "huge.jpg"}},
        // 65535 x 65535 pixels stop at the largest key.
        {11,
         {"huge.jpg", "a10.jpg", "a9.jpg", "c.gif", "d.png", "B.png", "wide.jpg", "a.jpg", "a.jpg", "f.bmp",
          "e.jpg", "g.jpg", "w0.jpg"}},
        // Landscape by distance from the shape (equal shapes larger first), then the others by
        // height / width (equal ones larger key first, signed), then the unreadable ones.
        {12,
         {"a9.jpg", "c.gif", "a.jpg", "a.jpg", "f.bmp", "a10.jpg", "wide.jpg", "d.png", "huge.jpg", "B.png",
          "w0.jpg", "e.jpg", "g.jpg"}},
        {16,
         {"a10.jpg", "f.bmp", "a9.jpg", "c.gif", "a.jpg", "a.jpg", "wide.jpg", "d.png", "huge.jpg", "B.png",
          "w0.jpg", "e.jpg", "g.jpg"}},
    };
    const QLocale previous;
    for (const QLocale& locale : {QLocale(QLocale::C), QLocale(QLocale::Japanese, QLocale::Japan)}) {
        QLocale::setDefault(locale);
        for (const OrderCase& c : cases) {
            FileEntries list;
            FileSearch(list, temp.path(), RuleFor(c.code));
            EXPECT_EQ(LowerNamesOf(list), Lower(c.names))
                << "order " << c.code << " in " << locale.name().toStdString();
        }
    }
    QLocale::setDefault(previous);

    // File-system order, and codes that name no order.
    for (const int code : {0, 5, 99}) {
        FileEntries list;
        FileSearch(list, temp.path(), RuleFor(code));
        EXPECT_EQ(LowerNamesOf(list), ReaddirLowerNames(temp.path())) << "order " << code;
    }
}

TEST(SortOrder, ShuffleGivesAFreshPermutationEachTime) {
    TempFolder temp;
    for (int i = 0; i < 50; ++i) {
        temp.write(QStringLiteral("s%1.jpg").arg(i), QByteArray(200, 's'));
    }
    FileEntries first;
    FileEntries second;
    FileSearch(first, temp.path(), RuleFor(8));
    FileSearch(second, temp.path(), RuleFor(8));
    const QStringList firstNames = LowerNamesOf(first);
    const QStringList secondNames = LowerNamesOf(second);
    EXPECT_NE(firstNames, secondNames);
    QStringList sortedFirst = firstNames;
    QStringList sortedSecond = secondNames;
    sortedFirst.sort();
    sortedSecond.sort();
    EXPECT_EQ(sortedFirst, sortedSecond);
    EXPECT_EQ(sortedFirst.removeDuplicates(), 0);
    EXPECT_EQ(sortedFirst.size(), 50);
}

// Keys of the files below the folder are read through their own folders, and the whole list is
// sorted once by full path.
TEST(SortOrder, SubfolderScanSortsTheWholeList) {
    TempFolder temp;
    struct Placed {
        const char* name;
        int width;
        int height;
        int bytes;
    };
    const Placed files[] = {
        {"m.jpg", 300, 200, 30000},  {"Sub/a.jpg", 300, 200, 30000},  {"Sub/deeper/z.png", 100, 400, 20000},
        {"z.jpg", 1200, 900, 20000}, {"sub2/k.gif", 200, 300, 30000},
    };
    for (const Placed& file : files) {
        QByteArray bytes = Encoded(QString::fromUtf8(file.name), file.width, file.height, {});
        ASSERT_LE(bytes.size(), file.bytes) << file.name;
        bytes.append(file.bytes - bytes.size(), '\0');
        temp.write(QString::fromUtf8(file.name), bytes);
    }
    const std::vector<OrderCase> cases = {
        {1, {"m.jpg", "Sub/a.jpg", "Sub/deeper/z.png", "sub2/k.gif", "z.jpg"}},
        {17, {"z.jpg", "sub2/k.gif", "Sub/deeper/z.png", "Sub/a.jpg", "m.jpg"}},
        {18, {"sub2/k.gif", "Sub/a.jpg", "m.jpg", "z.jpg", "Sub/deeper/z.png"}},
        {9, {"z.jpg", "m.jpg", "Sub/a.jpg", "sub2/k.gif", "Sub/deeper/z.png"}},
        {12, {"z.jpg", "m.jpg", "Sub/a.jpg", "sub2/k.gif", "Sub/deeper/z.png"}},
    };
    for (const OrderCase& c : cases) {
        FileEntries list;
        FullSearch(list, temp.path(), RuleFor(c.code), ScanProgress());
        QStringList expected;
        for (const char* name : c.names) {
            expected << temp.file(QString::fromUtf8(name));
        }
        QStringList paths;
        for (const FileEntry& entry : list) {
            paths << entry.path;
        }
        EXPECT_EQ(paths, expected) << "order " << c.code;
    }
}

// The pairwise rules of the orders, comparing paths by QString's own case-insensitive
// comparison, which agrees with the collator on the names used below. True when `a` must come
// before `b`.
bool PairwiseBefore(int code, const FileEntry& a, const FileEntry& b) {
    const int byPath = QString::compare(a.path, b.path, Qt::CaseInsensitive);
    switch (code) {
    case 1:
        return byPath < 0;
    case 17:
        return byPath > 0;
    case 4: {
        const int byExtension = QString::compare(UpperExtension(a.path), UpperExtension(b.path));
        return byExtension != 0 ? byExtension < 0 : byPath < 0;
    }
    case 2:
    case 3:
        return a.key != b.key ? a.key < b.key : byPath < 0;
    case 18:
    case 19:
        return a.key != b.key ? a.key > b.key : byPath > 0;
    case 9:
    case 10:
    case 11:
        return a.key != b.key ? a.key > b.key : byPath < 0;
    default: {
        const float target = code == 12 ? 0.75f : 0.5625f;
        if (a.key == b.key) {
            return byPath < 0;
        }
        if (a.key == 0 || b.key == 0) {
            return b.key == 0;
        }
        // A picture without width is as tall as can be.
        const auto ratio = [](std::int32_t key) {
            const auto bits = static_cast<std::uint32_t>(key);
            return (bits >> 16) == 0 ? std::numeric_limits<float>::infinity()
                                     : static_cast<float>(bits & 0xFFFFu) / static_cast<float>(bits >> 16);
        };
        float ra = ratio(a.key);
        float rb = ratio(b.key);
        if (ra == rb) {
            return a.key > b.key;
        }
        if (ra < 1.0f && rb < 1.0f) {
            ra = std::fabs(ra - target);
            rb = std::fabs(rb - target);
        }
        return ra < rb;
    }
    }
}

// A list large enough for the collation keys to be made on several threads, with many equal
// keys, against the pairwise rules: no file may stand right after one that the rules put behind
// it. (Two landscape shapes equally far from the target on either side put each other first;
// such pairs are left out.)
TEST(SortOrder, LargeListsAgreeWithThePairwiseRules) {
    std::mt19937 random(20240611);
    const auto pick = [&random](int count) {
        return static_cast<int>(random() % static_cast<unsigned>(count));
    };
    const int widths[] = {0, 1, 300, 640, 1024, 40000, 65535};
    const int heights[] = {0, 1, 225, 480, 768, 900, 65535};
    FileEntries list;
    const char* const extensions[] = {".jpg", ".PNG", ".gif", ".Bmp"};
    for (int i = 0; i < 2400; ++i) {
        QString name;
        for (int letter = 0; letter < 4; ++letter) {
            const char c = static_cast<char>('a' + pick(3));
            name += QLatin1Char(pick(2) == 0 ? c : static_cast<char>(c - 'a' + 'A'));
        }
        const std::uint32_t key = (static_cast<std::uint32_t>(widths[pick(7)]) << 16) |
                                  static_cast<std::uint32_t>(heights[pick(7)]);
        list.push_back({QStringLiteral("/p/") + name + QLatin1String(extensions[pick(4)]),
                        static_cast<std::int32_t>(key)});
    }
    for (const int code : {1, 17, 4, 2, 3, 18, 19, 9, 10, 11, 12, 16}) {
        FileEntries sorted = list;
        SortFileList(sorted, SortOrderOfCode(code));
        ASSERT_EQ(sorted.size(), list.size());
        int wrong = 0;
        for (std::size_t i = 1; i < sorted.size(); ++i) {
            if (PairwiseBefore(code, sorted[i], sorted[i - 1]) &&
                !PairwiseBefore(code, sorted[i - 1], sorted[i])) {
                ++wrong;
            }
        }
        EXPECT_EQ(wrong, 0) << "order " << code;
        std::multiset<std::pair<QString, std::int32_t>> before;
        std::multiset<std::pair<QString, std::int32_t>> after;
        for (std::size_t i = 0; i < list.size(); ++i) {
            before.insert({list[i].path, list[i].key});
            after.insert({sorted[i].path, sorted[i].key});
        }
        EXPECT_EQ(before, after) << "order " << code;
    }
}

} // namespace
