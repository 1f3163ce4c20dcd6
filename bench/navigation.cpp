// Stepping to the next 24-megapixel photo, fitted into a 1280x800 view: after the picture was
// read ahead (showing it is a swap), and cold, with nothing read ahead, next to what a program
// keeping its pictures in Qt's fastest format does: a bare libjpeg-turbo decode straight into
// 32-bit RGB plus Qt's smooth scaling of that.

#include "BareJpeg.h"
#include "PhotoLike.h"
#include "WaitReady.h"
#include "WriteFile.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/convert/ImageEncoders.h"
#include "support/ScriptedPrompts.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kPhotos = 6;
const QSize kView(1280, 800);

// Six different photos in one folder, written once per run.
struct Folder {
    QTemporaryDir dir;
    QByteArray first;

    Folder() {
        JpegEncodeOptions options;
        options.quality = 90;
        for (int i = 0; i < kPhotos; ++i) {
            const QByteArray bytes = EncodeJpeg(PhotoLike(kWidth, kHeight, 11 + i), options);
            if (i == 0) {
                first = bytes;
            }
            WriteFile(dir.path() + QStringLiteral("/%1.jpg").arg(i), bytes);
        }
    }
};

const Folder& Photos() {
    static const Folder folder;
    return folder;
}

// A controller showing the first photo of the folder.
struct Viewer {
    QTemporaryDir data;
    ScriptedPrompts prompts;
    RecordedSounds sounds;
    HeldKeys keys;
    std::unique_ptr<ViewerController> controller;

    explicit Viewer(int prefetchPercent) {
        qputenv("RUVELA_DATA_DIR", NativePath(data.path()));
        Options options;
        options.PrefetchMemory = prefetchPercent;
        options.SwListLoop = true; // the step after the last photo shows the first
        controller = std::make_unique<ViewerController>(
            options, ViewerController::Services{prompts, sounds, keys, nullptr});
        QString error;
        if (!controller->InitFolders(data.path(), &error)) {
            std::abort();
        }
        controller->PrepareScanMask();
        controller->SetViewSize(kView);
        controller->ViewFolder(Photos().dir.path(), false);
    }

    // The file after the shown one.
    QString Next() const {
        const ViewerState& state = controller->state();
        return state.FileList[static_cast<std::size_t>(state.CurrentIndex % kPhotos)].path;
    }

    void Step() { controller->ImgNext(); }
};

void BM_StepAfterPrefetch(benchmark::State& state) {
    Viewer viewer(15);
    for (auto _ : state) {
        state.PauseTiming();
        const QString next = viewer.Next();
        if (!WaitReady(viewer.controller->loader(), next)) {
            state.SkipWithError("the next photo was never read ahead");
            return;
        }
        state.ResumeTiming();
        viewer.Step();
        benchmark::DoNotOptimize(viewer.controller->state().ViewBitmap.constBits());
    }
    if (viewer.controller->state().ViewBitmap.size() != QSize(1200, 800)) {
        state.SkipWithError("the photo was not fitted into the view");
    }
}

void BM_StepCold(benchmark::State& state) {
    Viewer viewer(0);
    for (auto _ : state) {
        viewer.Step();
        benchmark::DoNotOptimize(viewer.controller->state().ViewBitmap.constBits());
    }
    if (viewer.controller->state().ViewBitmap.size() != QSize(1200, 800)) {
        state.SkipWithError("the photo was not fitted into the view");
    }
}

// Into a fresh picture each time, or into one buffer kept from step to step (as the viewer's
// pixel buffer pool does), which spares the new memory's first touch.
void BM_BareDecodeRgb32AndScale(benchmark::State& state) {
    const QByteArray& bytes = Photos().first;
    const bool reused = state.range(0) != 0;
    QImage kept(kWidth, kHeight, QImage::Format_RGB32);
    kept.fill(Qt::black);
    for (auto _ : state) {
        QImage fresh;
        if (!reused) {
            fresh = QImage(kWidth, kHeight, QImage::Format_RGB32);
        }
        // A reference: a copy of the kept picture would be copied again when written to.
        QImage& image = reused ? kept : fresh;
        BareDecode(bytes, 0, false, image.bits(), kQtRgb32);
        const QImage fitted = image.scaled(kView, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(fitted.constBits());
    }
}

void Settings(benchmark::internal::Benchmark* b) {
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_StepAfterPrefetch)->Apply(Settings);
BENCHMARK(BM_StepCold)->Apply(Settings);
BENCHMARK(BM_BareDecodeRgb32AndScale)->ArgName("reused_buffer")->Arg(0)->Arg(1)->Apply(Settings);

} // namespace
