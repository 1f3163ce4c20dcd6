// How long listing a folder of 100,000 entries takes: the bare system calls on one and on two
// threads, Qt's own listing, and the program's folder scan with the default mask.

#include "RegisterTimed.h"
#include "core/filelist/FileScan.h"
#include "core/settings/Options.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kEntries = 100000;
constexpr int kRepetitions = 9;

// 40% .jpg and 10% .png of 200 bytes each, so the scan takes them; the rest empty .txt, .xmp,
// .json and files without extension.
bool MakeFolder(const QByteArray& folder) {
    static const char* const kOthers[] = {".txt", ".xmp", ".json", ""};
    const std::string picture(200, 'p');
    for (int i = 0; i < kEntries; ++i) {
        const int slot = i % 10;
        const char* ext = slot < 4 ? ".jpg" : (slot == 4 ? ".png" : kOthers[slot % 4]);
        const std::string path = folder.toStdString() + "/file" + std::to_string(i) + ext;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            return false;
        }
        bool written = true;
        if (slot <= 4) {
            written = ::write(fd, picture.data(), picture.size()) == static_cast<ssize_t>(picture.size());
        }
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

void BareOneThread(benchmark::State& state, const QByteArray& folder) {
    for (auto _ : state) {
        DIR* dir = ::opendir(folder.constData());
        const int fd = ::dirfd(dir);
        qint64 total = 0;
        while (const dirent* entry = ::readdir(dir)) {
            struct stat facts {};
            if (!IsDot(entry->d_name) && ::fstatat(fd, entry->d_name, &facts, 0) == 0) {
                total += facts.st_size;
            }
        }
        ::closedir(dir);
        benchmark::DoNotOptimize(total);
    }
}

void BareTwoThreads(benchmark::State& state, const QByteArray& folder) {
    std::string names;
    std::vector<std::size_t> offsets;
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
        qint64 totals[2] = {0, 0};
        const auto statRange = [&](std::size_t begin, std::size_t end, qint64& total) {
            for (std::size_t i = begin; i < end; ++i) {
                struct stat facts {};
                if (::fstatat(fd, names.data() + offsets[i], &facts, 0) == 0) {
                    total += facts.st_size;
                }
            }
        };
        const std::size_t half = offsets.size() / 2;
        std::thread helper(statRange, half, offsets.size(), std::ref(totals[1]));
        statRange(0, half, totals[0]);
        helper.join();
        ::closedir(dir);
        benchmark::DoNotOptimize(totals);
    }
}

void QtEntryInfoList(benchmark::State& state, const QString& folder) {
    for (auto _ : state) {
        const QFileInfoList infos = QDir(folder).entryInfoList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
        qint64 total = 0;
        for (const QFileInfo& info : infos) {
            total += info.size();
        }
        benchmark::DoNotOptimize(total);
    }
}

void ProgramFileSearch(benchmark::State& state, const QString& folder, int sortMode) {
    ScanRule rule;
    rule.mask = BuildScanMask(QString(), Options());
    rule.sortMode = SortOrderOfCode(sortMode);
    FileEntries list;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FileSearch(list, folder, rule));
    }
    state.counters["files"] = static_cast<double>(list.size());
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
    if (!temp.isValid() || !MakeFolder(native)) {
        std::fprintf(stderr, "cannot make the folder of %d entries\n", kEntries);
        return 1;
    }
    Register("readdir_fstatat/one_thread",
             [native](benchmark::State& state) { BareOneThread(state, native); });
    Register("readdir_fstatat/two_threads",
             [native](benchmark::State& state) { BareTwoThreads(state, native); });
    Register("QDir_entryInfoList", [folder](benchmark::State& state) { QtEntryInfoList(state, folder); });
    Register("FileSearch/unsorted",
             [folder](benchmark::State& state) { ProgramFileSearch(state, folder, 0); });
    Register("FileSearch/by_name",
             [folder](benchmark::State& state) { ProgramFileSearch(state, folder, 1); });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
