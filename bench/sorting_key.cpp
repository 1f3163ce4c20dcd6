// One sorting key press: a 24-megapixel photo moved into another folder of the same file system
// and the next photo shown fitted into a 1280x800 view, with the next photo read ahead as it
// is in use. Beside it, the move of a 10 MB file across file systems (disk to tmpfs and back).

#include "PhotoLike.h"
#include "WaitReady.h"
#include "WriteFile.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/convert/ImageEncoders.h"
#include "core/sorting/FileOperations.h"
#include "support/ScriptedPrompts.h"

#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kPhotos = 8;
const QSize kView(1280, 800);

// A controller showing a folder of photos, with key A bound to a folder beside it.
struct Sorter {
    QTemporaryDir root;
    ScriptedPrompts prompts;
    RecordedSounds sounds;
    HeldKeys keys;
    std::unique_ptr<ViewerController> controller;
    QString from;
    QString to;

    Sorter() {
        from = root.path() + QStringLiteral("/from");
        to = root.path() + QStringLiteral("/to");
        QDir().mkpath(from);
        QDir().mkpath(to);
        JpegEncodeOptions options;
        options.quality = 90;
        for (int i = 0; i < kPhotos; ++i) {
            WriteFile(from + QStringLiteral("/%1.jpg").arg(i),
                      EncodeJpeg(PhotoLike(kWidth, kHeight, 21 + i), options));
        }
        qputenv("RUVELA_DATA_DIR", NativePath(root.path() + QStringLiteral("/data")));
        qputenv("XDG_DATA_HOME", NativePath(root.path() + QStringLiteral("/share")));
        Options settings;
        settings.PrefetchMemory = 15;
        controller = std::make_unique<ViewerController>(
            settings, ViewerController::Services{prompts, sounds, keys, nullptr});
        QString error;
        if (!controller->InitFolders(root.path(), &error)) {
            std::abort();
        }
        controller->PrepareScanMask();
        controller->SetViewSize(kView);
        controller->state().SortingTable[0] = to;
        keys.keys = {Qt::Key_A};
        Reopen();
    }

    // Puts every photo back and shows the first again.
    void Reopen() {
        for (const QString& name : QDir(to).entryList(QDir::Files)) {
            QFile::rename(to + QLatin1Char('/') + name, from + QLatin1Char('/') + name);
        }
        controller->ViewFolder(from, false);
    }

    // The photo that takes the shown one's place after a move.
    QString Next() const {
        const ViewerState& state = controller->state();
        return state.FileList[static_cast<std::size_t>(state.CurrentIndex)].path;
    }
};

void BM_SortingKeyMove(benchmark::State& state) {
    Sorter sorter;
    for (auto _ : state) {
        state.PauseTiming();
        if (sorter.controller->state().FileList.size() < 2) {
            sorter.Reopen();
        }
        const QString next = sorter.Next();
        if (!WaitReady(sorter.controller->loader(), next)) {
            state.SkipWithError("the next photo was never read ahead");
            return;
        }
        state.ResumeTiming();
        sorter.controller->sorting().actABCExecute(false);
        benchmark::DoNotOptimize(sorter.controller->state().ViewBitmap.constBits());
        state.PauseTiming();
        if (sorter.controller->state().CurrentFile != next) {
            state.SkipWithError("the next photo was not shown");
            return;
        }
        state.ResumeTiming();
    }
    if (sorter.controller->state().ViewBitmap.size() != QSize(1200, 800)) {
        state.SkipWithError("the photo was not fitted into the view");
    }
}

// A 10 MB file moved from the temporary folder on disk to /dev/shm, or back.
void BM_CrossVolumeMove10MB(benchmark::State& state) {
    const bool toTmpfs = state.range(0) == 1;
    QTemporaryDir disk;
    QTemporaryDir shm(QStringLiteral("/dev/shm/ruvela-bench-XXXXXX"));
    if (!shm.isValid() || !disk.isValid()) {
        state.SkipWithError("no /dev/shm here");
        return;
    }
    // On one device the move is a rename, not the copy this measures.
    if (StatPath(disk.path()).device == StatPath(shm.path()).device) {
        state.SkipWithError("the temporary folder is on /dev/shm's device");
        return;
    }
    const FileOperations files(disk.path() + QStringLiteral("/pending"),
                               Trash(disk.path() + QStringLiteral("/Trash")));
    const QString onDisk = disk.path() + QStringLiteral("/video.bin");
    const QString inMemory = shm.path() + QStringLiteral("/video.bin");
    QByteArray bytes(10 * 1000 * 1000, '\0');
    for (int i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 2654435761u) >> 24);
    }
    WriteFile(toTmpfs ? onDisk : inMemory, bytes);
    for (auto _ : state) {
        if (!files.Move(toTmpfs ? onDisk : inMemory, toTmpfs ? inMemory : onDisk)) {
            state.SkipWithError("the move failed");
            return;
        }
        state.PauseTiming();
        if (!files.Move(toTmpfs ? inMemory : onDisk, toTmpfs ? onDisk : inMemory)) {
            state.SkipWithError("the move back failed");
            return;
        }
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void Settings(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_SortingKeyMove)->Apply(Settings);
BENCHMARK(BM_CrossVolumeMove10MB)->Arg(1)->Arg(0)->Apply(Settings);

} // namespace
