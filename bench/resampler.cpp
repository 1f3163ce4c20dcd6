// How fast the picture view scales: a 6000x4000 photo reduced to 1920x1280, and an 800x600
// picture enlarged to 2000x1500, by Resample and, in the same run, by the fastest peers: Qt's
// smooth scaling on its own fastest pixel format (32-bit RGB; the conversion is not timed) and
// libvips' resize where libvips is installed. Resample and libvips spread over the cores;
// Resample on the calling thread alone shows what the spreading gains.

#include "core/display/Resampler.h"

#include "PhotoLike.h"
#include "RegisterTimed.h"

#include <QImage>
#include <QSize>
#include <benchmark/benchmark.h>
#include <string>
#include <utility>

#ifdef RUVELA_BENCH_VIPS
#include <vips/vips.h>
#endif

namespace {

constexpr int kRepetitions = 5;

enum class Scaler { Resample, ResampleOneThread, QtRgb32, Vips };

// One picture in the formats the scalers take: 24-bit for Resample and libvips, 32-bit for Qt.
struct Source {
    QImage rgb888;
    QImage rgb32;

    explicit Source(QImage picture)
        : rgb888(std::move(picture)), rgb32(rgb888.convertToFormat(QImage::Format_RGB32)) {}
};

#ifdef RUVELA_BENCH_VIPS
// libvips' resize of the 24-bit pixels (Lanczos 3 when reducing, bicubic when enlarging),
// written out to memory so that the whole picture is computed.
QImage VipsScale(const QImage& source, QSize target) {
    if (source.bytesPerLine() != source.width() * 3) {
        return QImage();
    }
    VipsImage* in = vips_image_new_from_memory(const_cast<uchar*>(source.constBits()),
                                               static_cast<size_t>(source.sizeInBytes()), source.width(),
                                               source.height(), 3, VIPS_FORMAT_UCHAR);
    if (in == nullptr) {
        return QImage();
    }
    VipsImage* out = nullptr;
    const double across = double(target.width()) / source.width();
    const double down = double(target.height()) / source.height();
    const int failed = vips_resize(in, &out, across, "vscale", down, static_cast<void*>(nullptr));
    g_object_unref(in);
    if (failed != 0) {
        return QImage();
    }
    size_t bytes = 0;
    void* pixels = vips_image_write_to_memory(out, &bytes);
    const int width = vips_image_get_width(out);
    const int height = vips_image_get_height(out);
    g_object_unref(out);
    if (pixels == nullptr) {
        return QImage();
    }
    return QImage(static_cast<uchar*>(pixels), width, height, width * 3, QImage::Format_RGB888, g_free,
                  pixels);
}
#endif

QImage Scale(const Source& source, QSize target, Scaler scaler) {
    switch (scaler) {
    case Scaler::Resample:
        return Resample(source.rgb888, target);
    case Scaler::ResampleOneThread:
        return Resample(source.rgb888, target, ResampleThreads::CallingThread);
    case Scaler::QtRgb32:
        return source.rgb32.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    case Scaler::Vips:
#ifdef RUVELA_BENCH_VIPS
        return VipsScale(source.rgb888, target);
#else
        break;
#endif
    }
    return QImage();
}

void Run(benchmark::State& state, const Source& source, QSize target, Scaler scaler) {
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
#ifdef RUVELA_BENCH_VIPS
    if (VIPS_INIT(argv[0]) != 0) {
        return 1;
    }
    // Each run must compute its picture, not find the last one in libvips' operation cache.
    vips_cache_set_max(0);
    benchmark::AddCustomContext("libvips", vips_version_string());
    constexpr bool kWithVips = true;
#else
    benchmark::AddCustomContext("libvips", "not installed on this machine: no comparison with it");
    constexpr bool kWithVips = false;
#endif
    benchmark::Initialize(&argc, argv);
    const Source photo(PhotoLike(6000, 4000));
    const Source small(PhotoLike(800, 600, 3));
    const struct {
        const char* name;
        const Source& source;
        QSize target;
    } jobs[] = {{"reduce_6000x4000_to_1920x1280/", photo, QSize(1920, 1280)},
                {"enlarge_800x600_to_2000x1500/", small, QSize(2000, 1500)}};
    const struct {
        const char* name;
        Scaler scaler;
    } scalers[] = {{"Resample", Scaler::Resample},
                   {"Resample_one_thread", Scaler::ResampleOneThread},
                   {"QImage_RGB32_scaled_smooth", Scaler::QtRgb32},
                   {"libvips_resize", Scaler::Vips}};
    for (const auto& job : jobs) {
        for (const auto& scaler : scalers) {
            if (scaler.scaler == Scaler::Vips && !kWithVips) {
                continue;
            }
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
#ifdef RUVELA_BENCH_VIPS
    vips_shutdown();
#endif
    return 0;
}
