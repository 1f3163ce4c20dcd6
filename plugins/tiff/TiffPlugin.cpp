// The TIFF plug-in: the first page of a TIFF file in memory, decoded by libtiff. Integer
// samples of any depth, grey, RGB, palette, CMYK and YCbCr go through libtiff's RGBA interface;
// floating-point grey and RGB samples are read by rows and clamped to 0..1. Alpha is kept as
// 32-bit rows. Each call opens its own TIFF handle, so calls may run on several threads at once.
#include "common/PlugInOutput.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <tiffio.h>
#include <vector>

using namespace ruvela_spi;

namespace {

// The file in memory that libtiff reads through the procedures below.
struct MemoryFile {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

tmsize_t ReadProc(thandle_t handle, void* to, tmsize_t count) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (count <= 0 || file->at >= file->size) {
        return 0;
    }
    const std::size_t n = std::min(std::size_t(count), file->size - file->at);
    std::memcpy(to, file->data + file->at, n);
    file->at += n;
    return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    std::uint64_t base = 0;
    if (whence == SEEK_CUR) {
        base = file->at;
    } else if (whence == SEEK_END) {
        base = file->size;
    }
    // Offsets past the end are kept; the next read there simply returns nothing.
    file->at = std::size_t(base + offset);
    return file->at;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t handle) {
    return static_cast<MemoryFile*>(handle)->size;
}

int MapProc(thandle_t handle, void** base, toff_t* size) {
    auto* file = static_cast<MemoryFile*>(handle);
    *base = const_cast<std::uint8_t*>(file->data);
    *size = file->size;
    return 1;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// libtiff's messages go nowhere: a failure reaches the host as a return code.
int Quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// An open TIFF handle on a file in memory, closed at the end of the scope.
class TiffReader {
public:
    explicit TiffReader(const Input& input) : m_file{input.data, input.size} {
        TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
        if (options == nullptr) {
            return;
        }
        TIFFOpenOptionsSetErrorHandlerExtR(options, Quiet, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options, Quiet, nullptr);
        m_tiff = TIFFClientOpenExt("memory", "r", &m_file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                                   MapProc, UnmapProc, options);
        TIFFOpenOptionsFree(options);
    }
    ~TiffReader() {
        if (m_tiff != nullptr) {
            TIFFClose(m_tiff);
        }
    }
    TiffReader(const TiffReader&) = delete;
    TiffReader& operator=(const TiffReader&) = delete;
    TIFF* get() const { return m_tiff; }

private:
    MemoryFile m_file;
    TIFF* m_tiff = nullptr;
};

struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samples = 1;
    std::uint16_t bits = 1;
    std::uint16_t format = SAMPLEFORMAT_UINT;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    bool alpha = false;
};

Layout ReadLayout(TIFF* tiff) {
    Layout layout;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &layout.height);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &layout.samples);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &layout.bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &layout.format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &layout.planar);
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    std::uint16_t photometric = 0;
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0) {
        // As libtiff's RGBA interface reads it: an unspecified fourth sample of RGB is alpha too.
        layout.alpha =
            extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA ||
            (extra[0] == EXTRASAMPLE_UNSPECIFIED && photometric == PHOTOMETRIC_RGB && layout.samples > 3);
    }
    return layout;
}

std::uint8_t FloatTo8(double v) {
    if (!(v > 0)) {
        return 0;
    }
    return v >= 1 ? 255 : std::uint8_t(std::lround(v * 255));
}

// Floating-point samples (32 or 64 bits, interleaved, in strips): 1 grey, 2 grey and alpha,
// 3 RGB, 4 or more RGB and alpha.
int DecodeFloat(TIFF* tiff, const Layout& layout, OutputBitmap& out) {
    if ((layout.bits != 32 && layout.bits != 64) || layout.planar != PLANARCONFIG_CONTIG ||
        TIFFIsTiled(tiff)) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    const tmsize_t lineSize = TIFFScanlineSize(tiff);
    const std::size_t samples = layout.samples;
    if (lineSize < tmsize_t(std::size_t(layout.width) * samples * layout.bits / 8)) {
        return SUSIE_BROKEN_DATA;
    }
    std::vector<std::uint8_t> line(std::size_t(lineSize) + 8);
    const auto sample = [&](std::size_t i) {
        if (layout.bits == 32) {
            float v;
            std::memcpy(&v, line.data() + i * 4, 4);
            return double(v);
        }
        double v;
        std::memcpy(&v, line.data() + i * 8, 8);
        return v;
    };
    for (int y = 0; y < out.height(); ++y) {
        if (TIFFReadScanline(tiff, line.data(), std::uint32_t(y), 0) < 0) {
            return SUSIE_BROKEN_DATA;
        }
        std::uint8_t* to = out.row(y);
        for (std::size_t x = 0; x < layout.width; ++x, to += out.bytesPerPixel()) {
            const std::size_t at = x * samples;
            if (samples < 3) {
                to[0] = to[1] = to[2] = FloatTo8(sample(at));
            } else {
                to[0] = FloatTo8(sample(at + 2));
                to[1] = FloatTo8(sample(at + 1));
                to[2] = FloatTo8(sample(at));
            }
            if (out.bytesPerPixel() == 4) {
                to[3] = FloatTo8(sample(at + (samples < 3 ? 1 : 3)));
            }
        }
    }
    return SUSIE_SUCCESS;
}

// One pixel of libtiff's RGBA raster (bytes R, G, B, A with alpha multiplied in) as BGR(A)
// with straight alpha.
inline void StoreRgba(std::uint32_t pixel, std::uint8_t* to, bool alpha) {
    std::uint32_t r = TIFFGetR(pixel);
    std::uint32_t g = TIFFGetG(pixel);
    std::uint32_t b = TIFFGetB(pixel);
    if (alpha) {
        const std::uint32_t a = TIFFGetA(pixel);
        if (a != 0 && a != 255) {
            r = std::min(255u, (r * 255 + a / 2) / a);
            g = std::min(255u, (g * 255 + a / 2) / a);
            b = std::min(255u, (b * 255 + a / 2) / a);
        }
        to[3] = std::uint8_t(a);
    }
    to[0] = std::uint8_t(b);
    to[1] = std::uint8_t(g);
    to[2] = std::uint8_t(r);
}

// Whether the picture is plain 8-bit RGB in strips, rows top down: its strips decode straight
// into the output rows.
bool PlainRgbStrips(TIFF* tiff, const Layout& layout) {
    std::uint16_t photometric = 0;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation);
    return !TIFFIsTiled(tiff) && photometric == PHOTOMETRIC_RGB && layout.samples == 3 && layout.bits == 8 &&
           layout.format == SAMPLEFORMAT_UINT && layout.planar == PLANARCONFIG_CONTIG &&
           orientation == ORIENTATION_TOPLEFT;
}

// Each strip into its own rows of the output, then red and blue swapped in place.
int DecodePlainRgb(TIFF* tiff, OutputBitmap& out) {
    std::uint32_t rowsPerStrip = 0;
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    const std::size_t rowBytes = std::size_t(out.width()) * 3;
    const std::size_t height = std::size_t(out.height());
    rowsPerStrip = std::uint32_t(std::min<std::size_t>(std::max<std::uint32_t>(rowsPerStrip, 1), height));
    const bool contiguous = rowBytes == out.stride();
    std::vector<std::uint8_t> band;
    if (!contiguous) {
        band.resize(rowBytes * rowsPerStrip);
    }
    for (std::size_t first = 0; first < height; first += rowsPerStrip) {
        const std::size_t rows = std::min<std::size_t>(rowsPerStrip, height - first);
        const tstrip_t strip = TIFFComputeStrip(tiff, std::uint32_t(first), 0);
        std::uint8_t* into = contiguous ? out.row(int(first)) : band.data();
        if (TIFFReadEncodedStrip(tiff, strip, into, tmsize_t(rows * rowBytes)) != tmsize_t(rows * rowBytes)) {
            return SUSIE_BROKEN_DATA;
        }
        for (std::size_t r = 0; r < rows; ++r) {
            std::uint8_t* row = out.row(int(first + r));
            if (!contiguous) {
                std::memcpy(row, band.data() + r * rowBytes, rowBytes);
            }
            SwapRedBlue(row, std::size_t(out.width()), 3);
        }
    }
    return SUSIE_SUCCESS;
}

// Everything else through libtiff's RGBA interface, in bands of rows.
int DecodeRgba(TIFF* tiff, OutputBitmap& out) {
    char message[1024] = {};
    if (!TIFFRGBAImageOK(tiff, message)) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    TIFFRGBAImage image;
    // Stop at the first damaged strip or tile rather than show what could be read.
    if (!TIFFRGBAImageBegin(&image, tiff, 1, message)) {
        return SUSIE_BROKEN_DATA;
    }
    image.req_orientation = ORIENTATION_TOPLEFT;
    const bool alpha = out.bytesPerPixel() == 4;
    constexpr int kBand = 64;
    const std::size_t width = std::size_t(out.width());
    std::vector<std::uint32_t> raster;
    int result = SUSIE_SUCCESS;
    try {
        raster.resize(width * std::size_t(std::min(kBand, out.height())));
    } catch (const std::bad_alloc&) {
        result = SUSIE_NO_MEMORY;
    }
    for (int y = 0; result == SUSIE_SUCCESS && y < out.height(); y += kBand) {
        const int rows = std::min(kBand, out.height() - y);
        image.row_offset = y;
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, raster.data(), std::uint32_t(width), std::uint32_t(rows))) {
            result = SUSIE_BROKEN_DATA;
            break;
        }
        for (int r = 0; r < rows; ++r) {
            const std::uint32_t* from = raster.data() + std::size_t(r) * width;
            std::uint8_t* to = out.row(y + r);
            for (std::size_t x = 0; x < width; ++x, to += out.bytesPerPixel()) {
                StoreRgba(from[x], to, alpha);
            }
        }
    }
    TIFFRGBAImageEnd(&image);
    return result;
}

bool IsPlainTiff(const std::uint8_t* head, std::size_t size) {
    const TiffHead tiff = ReadTiffHead(head, size);
    return tiff.tiff && !IsCameraRawTiff(tiff);
}

} // namespace

extern "C" {

SUSIE_EXPORT int GetPluginInfo(int infono, char* buf, int buflen) {
    // TIFFGetVersion() is "LIBTIFF, Version 4.5.0\nCopyright ..."; the number is its first word
    // after "Version ".
    std::string version = TIFFGetVersion();
    const std::size_t at = version.find("Version ");
    version = at == std::string::npos ? std::string() : version.substr(at + 8);
    version = version.substr(0, version.find_first_of(" \n"));
    return PluginInfo(infono, buf, buflen, "TIFF plug-in for Ruvela 1.0 (libtiff " + version + ')',
                      "*.tif;*.tiff", "TIFF");
}

SUSIE_EXPORT int IsSupported(const char*, void* dw) {
    return dw != nullptr && IsPlainTiff(static_cast<const std::uint8_t*>(dw), 2048) ? 1 : 0;
}

SUSIE_EXPORT int GetPictureInfo(const char* buf, std::int32_t len, unsigned int flag,
                                SusiePictureInfo* lpInfo) {
    Input input;
    if (const int read = ReadInput(buf, len, flag, input); read != SUSIE_SUCCESS) {
        return read;
    }
    if (!ReadTiffHead(input.data, input.size).tiff) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    const TiffReader reader(input);
    if (reader.get() == nullptr) {
        return SUSIE_BROKEN_DATA;
    }
    const Layout layout = ReadLayout(reader.get());
    return FillPictureInfo(lpInfo, layout.width, layout.height, layout.alpha);
}

SUSIE_EXPORT int GetPicture(const char* buf, std::int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                            SusieProgressCallback, std::int32_t) {
    Input input;
    if (const int begun = BeginPicture(buf, len, flag, pHBInfo, pHBm, input); begun != SUSIE_SUCCESS) {
        return begun;
    }
    if (!ReadTiffHead(input.data, input.size).tiff) {
        return SUSIE_UNKNOWN_FORMAT;
    }
    const TiffReader reader(input);
    if (reader.get() == nullptr) {
        return SUSIE_BROKEN_DATA;
    }
    const Layout layout = ReadLayout(reader.get());
    OutputBitmap out;
    if (const int made = out.allocate(layout.width, layout.height, layout.alpha); made != SUSIE_SUCCESS) {
        return made;
    }
    const int decoded = layout.format == SAMPLEFORMAT_IEEEFP   ? DecodeFloat(reader.get(), layout, out)
                        : PlainRgbStrips(reader.get(), layout) ? DecodePlainRgb(reader.get(), out)
                                                               : DecodeRgba(reader.get(), out);
    if (decoded != SUSIE_SUCCESS) {
        return decoded;
    }
    return out.hand(pHBInfo, pHBm);
}
}
