// Opening a folder of 20,000 subfolders in the folder tree pane (offscreen): how long the GUI
// thread is held at most while the rows come in, and the time until all of them are in the
// view. A 1 ms timer on the GUI thread notes the longest gap between its ticks.
#include "app/ViewerController.h"
#include "app/foldertree/FolderTreeModel.h"
#include "core/common/NativePath.h"
#include "support/ScriptedPrompts.h"
#include "ui/foldertree/FolderTreePane.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kFolders = 20000;

// home/Desktop/big/00000 … 19999, made once per run.
struct Folders {
    QTemporaryDir dir;
    QString home = dir.path() + QStringLiteral("/home");
    QString big = home + QStringLiteral("/Desktop/big");

    Folders() {
        if (!MakeFolder(home) || !MakeFolder(home + QStringLiteral("/Desktop")) || !MakeFolder(big)) {
            std::abort();
        }
        for (int i = 0; i < kFolders; ++i) {
            if (!MakeFolder(big + QStringLiteral("/%1").arg(i, 5, 10, QLatin1Char('0')))) {
                std::abort();
            }
        }
    }
};

// Runs the event loop until `done` or five seconds passed.
bool RunUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 5000) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void BM_OpenFolderOfTwentyThousandFolders(benchmark::State& state) {
    static Folders folders;
    QTemporaryDir data;
    qputenv("HOME", NativePath(folders.home));
    qputenv("XDG_CONFIG_HOME", NativePath(data.path()));
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
    double longestGapMs = 0;
    double rowsMs = 0;
    for (auto _ : state) {
        FolderTreePane pane(controller, nullptr);
        pane.resize(300, 600);
        pane.show();
        FolderTreeModel& model = pane.treeModel();
        const QModelIndex root = model.IndexOfRoot();
        if (!RunUntil([&] { return model.FindChild(root, folders.big).isValid(); })) {
            state.SkipWithError("the desktop was never listed");
            return;
        }
        const QModelIndex big = model.FindChild(root, folders.big);

        QElapsedTimer clock;
        qint64 lastTick = 0;
        qint64 longestGap = 0;
        QTimer ticks;
        ticks.setTimerType(Qt::PreciseTimer);
        ticks.setInterval(1);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longestGap = std::max(longestGap, now - lastTick);
            lastTick = now;
        });
        clock.start();
        ticks.start();
        pane.expand(big);
        const bool arrived = RunUntil([&] { return model.rowCount(big) == kFolders; });
        // The view lays the rows out and paints them.
        QCoreApplication::processEvents();
        const qint64 elapsed = clock.nsecsElapsed();
        ticks.stop();
        longestGap = std::max(longestGap, elapsed - lastTick);
        if (!arrived) {
            state.SkipWithError("the rows never came");
            return;
        }
        state.SetIterationTime(static_cast<double>(elapsed) / 1e9);
        longestGapMs = std::max(longestGapMs, static_cast<double>(longestGap) / 1e6);
        rowsMs += static_cast<double>(elapsed) / 1e6;
    }
    state.counters["longest_gui_block_ms"] = longestGapMs;
    state.counters["rows_shown_ms"] = rowsMs / static_cast<double>(state.iterations());
}

BENCHMARK(BM_OpenFolderOfTwentyThousandFolders)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

} // namespace

// The pane is a widget: the benchmark needs a QApplication (without a display).
int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
