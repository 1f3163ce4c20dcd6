// How fast a large photo decodes: a bare libjpeg-turbo decode as the reference, and the
// loader's path with a fresh picture each time and with its pixel buffer pool.

#include "BareJpeg.h"
#include "PhotoLike.h"
#include "WriteFile.h"
#include "core/common/NativePath.h"
#include "core/convert/ImageEncoders.h"
#include "core/imaging/ImageLoader.h"
#include "core/imaging/PixelBufferPool.h"

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <jpeglib.h>
#include <memory>
#include <random>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// The photo, written once per run into a temporary folder and kept in memory as well.
struct Photo {
    QTemporaryDir dir;
    QString path;
    QByteArray bytes;

    Photo() {
        JpegEncodeOptions options;
        options.quality = 90;
        bytes = EncodeJpeg(PhotoLike(kWidth, kHeight), options);
        path = dir.path() + QStringLiteral("/photo.jpg");
        WriteFile(path, bytes);
    }
};

const Photo& SharedPhoto() {
    static const Photo photo;
    return photo;
}

std::size_t ScaledBytes(int scale) {
    const std::size_t w = (kWidth + (1 << scale) - 1) >> scale;
    const std::size_t h = (kHeight + (1 << scale) - 1) >> scale;
    return w * h * 3;
}

void SetLabels(benchmark::State& state) {
    state.counters["MB"] = double(SharedPhoto().bytes.size()) / 1e6;
}

void BM_BareFreshBuffer(benchmark::State& state) {
    const Photo& photo = SharedPhoto();
    const int scale = int(state.range(0));
    const bool accurate = state.range(1) != 0;
    for (auto _ : state) {
        auto* pixels = static_cast<unsigned char*>(std::malloc(ScaledBytes(scale)));
        BareDecode(photo.bytes, scale, accurate, pixels);
        benchmark::DoNotOptimize(pixels);
        std::free(pixels);
    }
    SetLabels(state);
}

void BM_BareReusedBuffer(benchmark::State& state) {
    const Photo& photo = SharedPhoto();
    const int scale = int(state.range(0));
    const bool accurate = state.range(1) != 0;
    std::vector<unsigned char> pixels(ScaledBytes(scale), 1);
    for (auto _ : state) {
        BareDecode(photo.bytes, scale, accurate, pixels.data());
        benchmark::DoNotOptimize(pixels.data());
    }
    SetLabels(state);
}

LoadOptions Options(const benchmark::State& state) {
    LoadOptions options;
    options.jpegScale = int(state.range(0));
    options.jpegQuality = state.range(1) != 0;
    return options;
}

void BM_LoaderFresh(benchmark::State& state) {
    const Photo& photo = SharedPhoto();
    const LoadOptions options = Options(state);
    for (auto _ : state) {
        LoadedImage loaded = LoadImageFile(photo.path, options);
        if (loaded.status != LoadStatus::Decoded) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(loaded.image.constBits());
    }
    SetLabels(state);
}

void BM_LoaderPooled(benchmark::State& state) {
    const Photo& photo = SharedPhoto();
    const LoadOptions options = Options(state);
    PixelBufferPool pool;
    for (auto _ : state) {
        // The picture is released at the end of each round, as the viewer drops the one it
        // showed before, so the next round decodes into the same buffer.
        LoadedImage loaded = LoadImageFile(photo.path, options, {}, 0, &pool);
        if (loaded.status != LoadStatus::Decoded) {
            state.SkipWithError("decode failed");
            break;
        }
        benchmark::DoNotOptimize(loaded.image.constBits());
    }
    SetLabels(state);
}

void Arguments(benchmark::internal::Benchmark* b) {
    b->ArgNames({"scale", "accurate"});
    for (const int accurate : {0, 1}) {
        for (int scale = 0; scale < 4; ++scale) {
            b->Args({scale, accurate});
        }
    }
    b->Unit(benchmark::kMillisecond)->UseRealTime()->Repetitions(5)->ReportAggregatesOnly(true);
}

} // namespace

BENCHMARK(BM_BareFreshBuffer)->Apply(Arguments);
BENCHMARK(BM_BareReusedBuffer)->Apply(Arguments);
BENCHMARK(BM_LoaderFresh)->Apply(Arguments);
BENCHMARK(BM_LoaderPooled)->Apply(Arguments);

BENCHMARK_MAIN();
