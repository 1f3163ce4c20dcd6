// Opening a folder of 10,000 pictures and showing the first, a 24-megapixel JPEG: the scan,
// the name order, the decode and the fit into the view, as the program does it.
#include "PhotoLike.h"
#include "WriteFile.h"
#include "app/ViewerController.h"
#include "core/common/NativePath.h"
#include "core/convert/ImageEncoders.h"
#include "support/ScriptedPrompts.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <unistd.h>

namespace {

struct Folder {
    QTemporaryDir dir;
    Folder() {
        JpegEncodeOptions options;
        options.quality = 90;
        WriteFile(dir.path() + QStringLiteral("/0000.jpg"), EncodeJpeg(PhotoLike(6000, 4000), options));
        const QString small = dir.path() + QStringLiteral("/0001.jpg");
        WriteFile(small, EncodeJpeg(PhotoLike(160, 120), options));
        for (int i = 2; i < 10000; ++i) {
            const QString name = dir.path() + QStringLiteral("/%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
            if (::link(NativePath(small).constData(), NativePath(name).constData()) != 0) {
                std::abort();
            }
        }
    }
};

void BM_OpenFolderAndShowFirst(benchmark::State& state) {
    static Folder folder;
    QTemporaryDir data;
    qputenv("RUVELA_DATA_DIR", NativePath(data.path()));
    ScriptedPrompts prompts;
    RecordedSounds sounds;
    HeldKeys keys;
    ViewerController controller(Options{}, ViewerController::Services{prompts, sounds, keys, nullptr});
    QString error;
    if (!controller.InitFolders(data.path(), &error)) {
        state.SkipWithError("no data folder");
        return;
    }
    controller.PrepareScanMask();
    controller.SetViewSize(QSize(1280, 800));
    for (auto _ : state) {
        // Nothing read before may help: the picture is read as on a first visit.
        controller.loader().Invalidate();
        controller.ViewFolder(folder.dir.path(), false);
        benchmark::DoNotOptimize(controller.state().ViewBitmap.constBits());
    }
    if (controller.state().FileList.size() != 10000 || controller.state().SourceBitmap.width() != 6000) {
        state.SkipWithError("the folder was not shown as expected");
    }
}
BENCHMARK(BM_OpenFolderAndShowFirst)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace
