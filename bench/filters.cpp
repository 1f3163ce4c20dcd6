// How fast each filter of the view runs on a 1920 × 1280 picture, in megapixels a second of
// wall-clock time. The rows of the table-driven and per-row filters are spread over the cores;
// run under `taskset -c 0` for the one-core figures.

#include "PhotoLike.h"
#include "core/display/ImageFilters.h"

#include <QImage>
#include <benchmark/benchmark.h>
#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1280;
constexpr int kRepetitions = 5;

const QImage& Source() {
    static const QImage source = PhotoLike(kWidth, kHeight);
    return source;
}

void SetRate(benchmark::State& state) {
    state.counters["MPix/s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6, benchmark::Counter::kIsRate);
}

// Filters that change the picture in place run on a fresh copy of the same picture each round;
// the copy is not timed.
void RegisterInPlace(const std::string& name, std::function<void(QImage&)> filter) {
    benchmark::RegisterBenchmark(("InPlace/" + name).c_str(),
                                 [filter = std::move(filter)](benchmark::State& state) {
                                     const QImage& source = Source();
                                     QImage working = source.copy();
                                     for (auto _ : state) {
                                         state.PauseTiming();
                                         std::memcpy(working.bits(), source.constBits(),
                                                     static_cast<std::size_t>(source.sizeInBytes()));
                                         state.ResumeTiming();
                                         filter(working);
                                         benchmark::DoNotOptimize(working.constBits());
                                     }
                                     SetRate(state);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true);
}

void RegisterNewImage(const std::string& name, std::function<QImage(const QImage&)> filter) {
    benchmark::RegisterBenchmark(("NewImage/" + name).c_str(),
                                 [filter = std::move(filter)](benchmark::State& state) {
                                     const QImage& source = Source();
                                     for (auto _ : state) {
                                         const QImage result = filter(source);
                                         benchmark::DoNotOptimize(result.constBits());
                                     }
                                     SetRate(state);
                                 })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true);
}

void RegisterAll() {
    const std::vector<std::pair<std::string, std::function<void(QImage&)>>> inPlace = {
        {"Gamma1.8", [](QImage& i) { Gamma(i, 1.8); }},
        {"Brightness+20", [](QImage& i) { Brightness(i, 20); }},
        {"Contrast+12", [](QImage& i) { Contrast(i, 12); }},
        {"BrownSepia", BrownSepia},
        {"Solarise", Solarise},
        {"Greyscale", Greyscale},
        {"Negative", Negative},
        {"GammaBrightnessContrast",
         [](QImage& i) {
             FilterSettings settings;
             settings.gamma = 1.8;
             settings.brightness = 20;
             settings.contrast = 12;
             Image2Filter(i, settings);
         }},
        {"Mirror", MirrorImage},
        {"FlipTopBottom", FlipTopBottom},
        {"Rotate180", Rotate180},
        {"Sharpen48", [](QImage& i) { Sharpen(i, 48); }},
        {"Sharpen96+32", [](QImage& i) { Sharpen(i, 128); }},
        {"Blur1", [](QImage& i) { Blur(i, 1); }},
        {"Blur3", [](QImage& i) { Blur(i, 3); }},
        {"LineDrawing", LineDrawing},
        {"Noise", [](QImage& i) { Noise(i, 64); }},
        {"WhiteNoise", [](QImage& i) { WhiteNoise(i, 128); }},
        {"Mosaic", [](QImage& i) { Mosaic(i, 8, 16); }},
        {"DotDiffusion", [](QImage& i) { DotDiffusion(i, 8); }},
        {"MaxExtract", MaxExtract},
        {"IeSelect", IeSelect},
        {"BlackWhiteSwap", BlackWhiteSwap},
        {"TopLeftTransparent", [](QImage& i) { TopLeftTransparent(i, qRgb(0, 0, 0)); }},
    };
    for (const auto& [name, filter] : inPlace) {
        RegisterInPlace(name, filter);
    }
    RegisterNewImage("Rotate90", Rotate90);
    RegisterNewImage("Rotate270", Rotate270);
    RegisterNewImage("EdgeExtract", EdgeExtract);
}

} // namespace

int main(int argc, char** argv) {
    RegisterAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
