// What a picture shown through a plug-in costs against the bare library: a 6000×4000 WebP and a
// 6000×4000 deflate TIFF, read from the file and decoded by libwebp and libtiff alone, and the
// same files through the host and the shipped plug-ins into the picture the loader shows. And a
// camera raw with an embedded preview through the host against libraw's own preview extractor,
// `simple_dcraw -e` (the dcraw_emu of LibRaw 0.20 has no -e), which only writes the preview out
// to a file.

#include "PhotoLike.h"
#include "core/common/NativePath.h"
#include "core/imaging/TSpiLib32.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <tiffio.h>
#include <vector>
#include <webp/decode.h>
#include <webp/encode.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

[[noreturn]] void Abort(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

QByteArray ReadAll(const QString& path) {
    QFile in;
    if (!OpenFile(in, path, QIODevice::ReadOnly)) {
        Abort("cannot read an input file");
    }
    return in.readAll();
}

// The inputs, written once per run into a temporary folder, and the host with the plug-ins.
struct Inputs {
    QTemporaryDir dir;
    QString webp;
    QString tiff;
    QString raw;
    TSpiLib32 host;

    Inputs() {
        const QImage photo = PhotoLike(kWidth, kHeight).convertToFormat(QImage::Format_RGB888);
        uint8_t* encoded = nullptr;
        const std::size_t size = WebPEncodeRGB(photo.constBits(), kWidth, kHeight,
                                               static_cast<int>(photo.bytesPerLine()), 90, &encoded);
        if (size == 0) {
            Abort("cannot encode the WebP");
        }
        webp = dir.path() + QStringLiteral("/photo.webp");
        QFile out(webp);
        if (!out.open(QIODevice::WriteOnly) ||
            out.write(reinterpret_cast<const char*>(encoded), static_cast<qint64>(size)) != qint64(size)) {
            Abort("cannot write the WebP");
        }
        out.close();
        WebPFree(encoded);

        tiff = dir.path() + QStringLiteral("/photo.tif");
        TIFF* t = TIFFOpen(NativePath(tiff).constData(), "w");
        if (t == nullptr) {
            Abort("cannot write the TIFF");
        }
        TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
        TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
        TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
        TIFFSetField(t, TIFFTAG_PREDICTOR, 2);
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
        for (int y = 0; y < kHeight; ++y) {
            if (TIFFWriteScanline(t, const_cast<uchar*>(photo.constScanLine(y)), static_cast<uint32_t>(y),
                                  0) < 0) {
                Abort("cannot write a TIFF row");
            }
        }
        TIFFClose(t);

        raw = dir.path() + QStringLiteral("/camera-preview.dng");
        if (!QFile::copy(QStringLiteral(RUVELA_BENCH_DEMO_DIR "/plugins/camera-preview.dng"), raw)) {
            Abort("cannot copy the demo DNG");
        }
        host.LoadPlugIns(QStringLiteral(RUVELA_BENCH_PLUGIN_DIR));
        if (host.PicPlugInList().isEmpty()) {
            Abort("no plug-ins in " RUVELA_BENCH_PLUGIN_DIR);
        }
    }
};

Inputs& Shared() {
    static Inputs inputs;
    return inputs;
}

void BM_WebpBareLibrary(benchmark::State& state) {
    const QString& path = Shared().webp;
    for (auto _ : state) {
        const QByteArray bytes = ReadAll(path);
        int width = 0;
        int height = 0;
        uint8_t* rgb = WebPDecodeRGB(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                     static_cast<std::size_t>(bytes.size()), &width, &height);
        if (rgb == nullptr || width != kWidth) {
            state.SkipWithError("libwebp failed");
            return;
        }
        benchmark::DoNotOptimize(rgb);
        WebPFree(rgb);
    }
}

void BM_TiffBareLibrary(benchmark::State& state) {
    const QString& path = Shared().tiff;
    for (auto _ : state) {
        TIFF* t = TIFFOpen(NativePath(path).constData(), "r");
        if (t == nullptr) {
            state.SkipWithError("libtiff failed");
            return;
        }
        std::vector<uint8_t> rows(std::size_t(kWidth) * 3 * kHeight);
        const tstrip_t strips = TIFFNumberOfStrips(t);
        const tmsize_t stripSize = TIFFStripSize(t);
        for (tstrip_t strip = 0; strip < strips; ++strip) {
            if (TIFFReadEncodedStrip(t, strip, rows.data() + std::size_t(strip) * std::size_t(stripSize),
                                     -1) < 0) {
                state.SkipWithError("libtiff failed on a strip");
                TIFFClose(t);
                return;
            }
        }
        benchmark::DoNotOptimize(rows.data());
        TIFFClose(t);
    }
}

void ThroughHost(benchmark::State& state, const QString& path, int width) {
    const TSpiLib32& host = Shared().host;
    for (auto _ : state) {
        QImage image;
        const SpiResult result = host.DecodeFile(path, &image);
        if (result.status != SpiStatus::Decoded || image.width() != width) {
            state.SkipWithError("the host did not decode the file");
            return;
        }
        benchmark::DoNotOptimize(image.constBits());
    }
}

void BM_WebpThroughHost(benchmark::State& state) {
    ThroughHost(state, Shared().webp, kWidth);
}

void BM_TiffThroughHost(benchmark::State& state) {
    ThroughHost(state, Shared().tiff, kWidth);
}

void BM_RawPreviewThroughHost(benchmark::State& state) {
    QImage image;
    if (Shared().host.DecodeFile(Shared().raw, &image).status != SpiStatus::Decoded) {
        state.SkipWithError("the host did not decode the DNG");
        return;
    }
    ThroughHost(state, Shared().raw, image.width());
}

// `simple_dcraw -e`: a process that opens the raw and writes its embedded preview to a file.
void BM_RawPreviewSimpleDcraw(benchmark::State& state) {
    const QString& path = Shared().raw;
    for (auto _ : state) {
        QProcess process;
        process.start(QStringLiteral("simple_dcraw"), {QStringLiteral("-e"), path});
        if (!process.waitForFinished(30000) || process.exitCode() != 0) {
            state.SkipWithError("simple_dcraw -e failed (is libraw-bin installed?)");
            return;
        }
    }
}

} // namespace

BENCHMARK(BM_WebpBareLibrary)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_WebpThroughHost)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TiffBareLibrary)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_TiffThroughHost)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RawPreviewThroughHost)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RawPreviewSimpleDcraw)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
