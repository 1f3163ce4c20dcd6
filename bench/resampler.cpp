// How fast the picture view scales: a 6000x4000 photo reduced to 1920x1280, and an 800x600
// picture enlarged to 2000x1500, each by Resample and by Qt's smooth scaling in the same run.
// Both spread over the cores; Resample on the calling thread alone shows what the spreading gains.

#include "core/display/Resampler.h"

#include "PhotoLike.h"
#include "RegisterTimed.h"

#include <QImage>
#include <QSize>
#include <benchmark/benchmark.h>
#include <string>

namespace {

constexpr int kRepetitions = 5;

enum class Scaler { Resample, ResampleOneThread, Qt };

QImage Scale(const QImage& source, QSize target, Scaler scaler) {
    switch (scaler) {
    case Scaler::Resample:
        return Resample(source, target);
    case Scaler::ResampleOneThread:
        return Resample(source, target, ResampleThreads::CallingThread);
    case Scaler::Qt:
        break;
    }
    return source.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void Run(benchmark::State& state, const QImage& source, QSize target, Scaler scaler) {
    for (auto _ : state) {
        const QImage result = Scale(source, target, scaler);
        if (result.size() != target) {
            state.SkipWithError("no picture made");
            break;
        }
        benchmark::DoNotOptimize(result.constBits());
    }
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const QImage photo = PhotoLike(6000, 4000);
    const QImage small = PhotoLike(800, 600, 3);
    const struct {
        const char* name;
        const QImage& source;
        QSize target;
    } jobs[] = {{"reduce_6000x4000_to_1920x1280/", photo, QSize(1920, 1280)},
                {"enlarge_800x600_to_2000x1500/", small, QSize(2000, 1500)}};
    const struct {
        const char* name;
        Scaler scaler;
    } scalers[] = {{"Resample", Scaler::Resample},
                   {"Resample_one_thread", Scaler::ResampleOneThread},
                   {"QImage_scaled_smooth", Scaler::Qt}};
    for (const auto& job : jobs) {
        for (const auto& scaler : scalers) {
            RegisterTimed(
                std::string(job.name) + scaler.name,
                [&job, &scaler](benchmark::State& state) {
                    Run(state, job.source, job.target, scaler.scaler);
                },
                kRepetitions);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
