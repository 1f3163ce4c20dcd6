// How long the sort orders take. 1: a folder of 10,000 small JPEGs scanned in width order (the
// header of every file read on the scanning threads, then the sort), against a bare two-thread
// read of the same headers after a plain readdir. 2: 100,000 paths in name order through
// SortFileList, against std::sort over QCollator sort keys made in the timed part too. 3: the
// size order on 100,000 paths, with collation keys made for runs of equal keys only (as
// SortFileList does) against keys made for every path first.

#include "RegisterTimed.h"
#include "core/convert/ImageEncoders.h"
#include "core/filelist/FileScan.h"
#include "core/settings/Options.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QDir>
#include <QImage>
#include <QLocale>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <numeric>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPictures = 10000;
constexpr int kPaths = 100000;
constexpr int kRepetitions = 5;

// 10,000 JPEGs of 48 sizes, each with an APP1 block of 1.5, 5 or 9 KiB before the frame header
// as cameras write Exif, so some frame headers lie beyond the first 4 KiB.
bool MakePictures(const QByteArray& folder) {
    std::vector<QByteArray> variants;
    for (int i = 0; i < 48; ++i) {
        QImage image(64 + 8 * (i % 12), 48 + 6 * (i / 12), QImage::Format_RGB32);
        image.fill(qRgb(40 + i * 4, 120, 200 - i * 3));
        JpegEncodeOptions options;
        options.quality = 85;
        options.app1 = QByteArray("Exif\0\0", 6) + QByteArray(1536 + (i % 3) * 3700, '\x11');
        variants.push_back(EncodeJpeg(image, options));
        if (variants.back().isEmpty()) {
            return false;
        }
    }
    for (int i = 0; i < kPictures; ++i) {
        const QByteArray& bytes = variants[static_cast<std::size_t>(i * 7919) % variants.size()];
        const QByteArray path = folder + "/IMG_" + QByteArray::number(100000 + i) + ".jpg";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        const bool written =
            ::write(fd, bytes.constData(), static_cast<std::size_t>(bytes.size())) == bytes.size();
        ::close(fd);
        if (!written) {
            return false;
        }
    }
    return true;
}

bool IsDot(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// The width and height of a JPEG from its frame header, read in 4 KiB blocks at the offsets the
// segments lead to: the least a header read can do.
std::uint32_t BareJpegSize(int folderFd, const char* name) {
    const int fd = ::openat(folderFd, name, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    unsigned char block[4096];
    off_t start = 0;
    ssize_t filled = ::pread(fd, block, sizeof block, 0);
    off_t pos = 2;
    std::uint32_t size = 0;
    const auto at = [&](off_t offset) -> int {
        if (offset < start || offset >= start + filled) {
            start = offset;
            filled = ::pread(fd, block, sizeof block, offset);
            if (filled <= 0) {
                return -1;
            }
        }
        return block[offset - start];
    };
    if (filled >= 2 && block[0] == 0xFF && block[1] == 0xD8) {
        for (;;) {
            const int marker = at(pos + 1);
            if (at(pos) != 0xFF || marker < 0 || marker == 0xDA) {
                break;
            }
            if (marker == 0xC0 || marker == 0xC2) {
                size = static_cast<std::uint32_t>((at(pos + 7) << 24) | (at(pos + 8) << 16) |
                                                  (at(pos + 5) << 8) | at(pos + 6));
                break;
            }
            pos += 2 + ((at(pos + 2) << 8) | at(pos + 3));
        }
    }
    ::close(fd);
    return size;
}

void BareHeaderRead(benchmark::State& state, const QByteArray& folder) {
    std::string names;
    std::vector<std::size_t> offsets;
    std::vector<std::uint32_t> sizes;
    for (auto _ : state) {
        names.clear();
        offsets.clear();
        DIR* dir = ::opendir(folder.constData());
        const int fd = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            if (!IsDot(entry->d_name)) {
                offsets.push_back(names.size());
                names.append(entry->d_name);
                names.push_back('\0');
            }
        }
        sizes.assign(offsets.size(), 0);
        const auto readRange = [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i) {
                sizes[i] = BareJpegSize(fd, names.data() + offsets[i]);
            }
        };
        const std::size_t half = offsets.size() / 2;
        std::thread first(readRange, 0, half);
        std::thread second(readRange, half, offsets.size());
        first.join();
        second.join();
        ::closedir(dir);
        benchmark::DoNotOptimize(sizes.data());
    }
    if (std::count(sizes.begin(), sizes.end(), 0u) != 0) {
        state.SkipWithError("a header was not read");
    }
}

void PictureScan(benchmark::State& state, const QString& folder, int sortMode) {
    ScanRule rule;
    rule.mask = BuildScanMask(QString(), Options());
    rule.sortMode = SortOrderOfCode(sortMode);
    FileEntries list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FileSearch(list, folder, rule));
    }
    if (list.size() != kPictures || (sortMode == 9 && (list.front().key == 0 || list.back().key == 0))) {
        state.SkipWithError("the folder was not read as expected");
    }
}

// Paths as a picture folder tree holds them: a few folders, camera names, mixed case.
FileEntries MakePaths() {
    static const char* const kFolders[] = {"/home/user/Pictures/2021/", "/home/user/Pictures/2022/Trip/",
                                           "/home/user/写真/", "/media/card/DCIM/100CANON/"};
    static const char* const kStems[] = {"IMG_", "img_", "DSC", "Photo ", "写真"};
    std::mt19937 random(7);
    FileEntries list;
    list.reserve(kPaths);
    for (int i = 0; i < kPaths; ++i) {
        const QString path = QString::fromUtf8(kFolders[random() % 4]) +
                             QString::fromUtf8(kStems[random() % 5]) + QString::number(random() % 1000000) +
                             QLatin1String(random() % 2 == 0 ? ".jpg" : ".JPG");
        list.push_back({path, static_cast<std::int32_t>(random() % 1000)});
    }
    return list;
}

// The collator as the program sets it up; in the C locale the case is folded first.
struct Collation {
    QCollator collator;
    bool foldCase;
    Collation() {
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(false);
        foldCase = collator.locale().language() == QLocale::C;
    }
    QCollatorSortKey Key(const QString& text) const {
        return collator.sortKey(foldCase ? text.toCaseFolded() : text);
    }
};

// One collation key per path, one after the other on this thread.
std::vector<QCollatorSortKey> KeysOf(const FileEntries& paths) {
    const Collation collation;
    std::vector<QCollatorSortKey> keys;
    keys.reserve(paths.size());
    for (const FileEntry& entry : paths) {
        keys.push_back(collation.Key(entry.path));
    }
    return keys;
}

void ProgramSort(benchmark::State& state, const QLocale& locale, int sortMode) {
    QLocale::setDefault(locale);
    const FileEntries paths = MakePaths();
    FileEntries list;
    for (auto _ : state) {
        state.PauseTiming();
        list = paths;
        state.ResumeTiming();
        SortFileList(list, SortOrderOfCode(sortMode));
        benchmark::DoNotOptimize(list.data());
    }
}

void PrecomputedKeysNameSort(benchmark::State& state, const QLocale& locale) {
    QLocale::setDefault(locale);
    const FileEntries paths = MakePaths();
    for (auto _ : state) {
        const std::vector<QCollatorSortKey> keys = KeysOf(paths);
        std::vector<std::uint32_t> order(paths.size());
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return keys[a].compare(keys[b]) < 0; });
        benchmark::DoNotOptimize(order.data());
    }
}

// The size order with a collation key made for every path before one comparison sort.
void AllKeysSizeSort(benchmark::State& state, const QLocale& locale) {
    QLocale::setDefault(locale);
    const FileEntries paths = MakePaths();
    for (auto _ : state) {
        const std::vector<QCollatorSortKey> keys = KeysOf(paths);
        std::vector<std::uint32_t> order(paths.size());
        std::iota(order.begin(), order.end(), 0u);
        std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return paths[a].key != paths[b].key ? paths[a].key < paths[b].key : keys[a].compare(keys[b]) < 0;
        });
        benchmark::DoNotOptimize(order.data());
    }
}

void Register(const std::string& name, auto function) {
    RegisterTimed(name, function, kRepetitions);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    QTemporaryDir temp(QDir::tempPath() + QStringLiteral("/ruvela-bench-XXXXXX"));
    const QString folder = temp.path();
    const QByteArray native = folder.toUtf8();
    if (!temp.isValid() || !MakePictures(native)) {
        std::fprintf(stderr, "cannot make the folder of %d pictures\n", kPictures);
        return 1;
    }
    Register("width_order/bare_two_thread_header_read",
             [native](benchmark::State& state) { BareHeaderRead(state, native); });
    Register("width_order/FileSearch", [folder](benchmark::State& state) { PictureScan(state, folder, 9); });
    Register("width_order/FileSearch_file_system_order",
             [folder](benchmark::State& state) { PictureScan(state, folder, 0); });
    for (const QLocale& locale : {QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::C)}) {
        const auto in = [&locale](const char* name) {
            return (QLatin1String(name) + QLatin1Char('/') + locale.name()).toStdString();
        };
        Register(in("name_order/precomputed_keys_std_sort"),
                 [locale](benchmark::State& state) { PrecomputedKeysNameSort(state, locale); });
        Register(in("name_order/SortFileList"),
                 [locale](benchmark::State& state) { ProgramSort(state, locale, 1); });
        Register(in("size_order/all_keys_first"),
                 [locale](benchmark::State& state) { AllKeysSizeSort(state, locale); });
        Register(in("size_order/SortFileList"),
                 [locale](benchmark::State& state) { ProgramSort(state, locale, 2); });
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
