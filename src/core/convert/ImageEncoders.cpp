#include "core/convert/ImageEncoders.h"

#include <QHash>
#include <QPainter>
#include <QSet>
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <gif_lib.h>
#include <jerror.h>
#include <jpeglib.h>
#include <png.h>

namespace {

// Pictures larger than this are refused before any memory is spent on them.
constexpr qint64 kMaxPixels = qint64(1) << 28;
// The payload of one JPEG marker segment (its length field counts itself).
constexpr qsizetype kMaxMarkerBytes = 65533;

QByteArray Fail(QString* error, const QString& message) {
    if (error != nullptr) {
        *error = message;
    }
    return {};
}

// Checks what every encoder needs of its picture; empty when the picture can be written.
QString PictureProblem(const QImage& image) {
    if (image.isNull()) {
        return QStringLiteral("画像がありません。");
    }
    if (qint64(image.width()) * image.height() > kMaxPixels) {
        return QStringLiteral("画像が大きすぎます（%1×%2）。").arg(image.width()).arg(image.height());
    }
    return {};
}

// The picture without alpha, laid over white as a viewer shows it, in `format`.
QImage Flattened(const QImage& image, QImage::Format format) {
    if (!image.hasAlphaChannel()) {
        return image.convertToFormat(format);
    }
    const bool deep = image.depth() > 32;
    QImage canvas(image.size(), deep ? QImage::Format_RGBX64 : QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.drawImage(0, 0, image);
    painter.end();
    return canvas.convertToFormat(format);
}

// Grey as JPEG's luma (ITU-R BT.601), so a grey PNG and a grey JPEG of one picture agree.
QImage GreyPixels(const QImage& image, bool deep) {
    const QImage rgb = Flattened(image, deep ? QImage::Format_RGBX64 : QImage::Format_RGB888);
    QImage grey(rgb.size(), deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    const auto luma = [](quint64 r, quint64 g, quint64 b) {
        return (299 * r + 587 * g + 114 * b + 500) / 1000;
    };
    for (int y = 0; y < rgb.height(); ++y) {
        if (deep) {
            const auto* in = reinterpret_cast<const QRgba64*>(rgb.constScanLine(y));
            auto* out = reinterpret_cast<quint16*>(grey.scanLine(y));
            for (int x = 0; x < rgb.width(); ++x) {
                out[x] = quint16(luma(in[x].red(), in[x].green(), in[x].blue()));
            }
        } else {
            const uchar* in = rgb.constScanLine(y);
            uchar* out = grey.scanLine(y);
            for (int x = 0; x < rgb.width(); ++x, in += 3) {
                out[x] = uchar(luma(in[0], in[1], in[2]));
            }
        }
    }
    return grey;
}

// A growing block of malloc'd bytes the C libraries write into. Plain data, so it may live
// in a frame that a longjmp crosses; OwnedSink frees it from the caller's frame.
struct ByteSink {
    unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t capacity = 0;
};

bool SinkReserve(ByteSink& sink, std::size_t wanted) {
    if (wanted <= sink.capacity) {
        return true;
    }
    const std::size_t grown = std::max(wanted, std::max<std::size_t>(sink.capacity * 2, 65536));
    auto* data = static_cast<unsigned char*>(std::realloc(sink.data, grown));
    if (data == nullptr) {
        return false;
    }
    sink.data = data;
    sink.capacity = grown;
    return true;
}

bool SinkAppend(ByteSink& sink, const void* bytes, std::size_t length) {
    if (!SinkReserve(sink, sink.size + length)) {
        return false;
    }
    std::memcpy(sink.data + sink.size, bytes, length);
    sink.size += length;
    return true;
}

class OwnedSink {
public:
    OwnedSink() = default;
    OwnedSink(const OwnedSink&) = delete;
    OwnedSink& operator=(const OwnedSink&) = delete;
    ~OwnedSink() { std::free(m_sink.data); }
    ByteSink& sink() { return m_sink; }
    QByteArray bytes() const {
        return QByteArray(reinterpret_cast<const char*>(m_sink.data), qsizetype(m_sink.size));
    }

private:
    ByteSink m_sink;
};

// ---------------------------------------------------------------------------------------------
// Palettes: the exact colours when they fit, else a median cut of a 5-5-5 histogram, mapped
// with Floyd-Steinberg dithering. Pixels with alpha below 128 become the transparent entry,
// which is always index 0, when transparency is kept.

struct Palette {
    std::vector<QRgb> colours; // opaque colours; colours[0] is unused when `transparent`
    bool transparent = false;
    bool exact = false;
};

int ColourKey(int r, int g, int b) {
    return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
}

struct HistogramBin {
    quint64 count = 0;
    quint64 red = 0;
    quint64 green = 0;
    quint64 blue = 0;
};

int BinChannel(int key, int channel) {
    return (key >> (10 - 5 * channel)) & 31;
}

struct CutBox {
    std::size_t begin = 0;
    std::size_t end = 0;
    quint64 count = 0;
    int longest = 0; // channel with the widest range
    int range = 0;
};

void MeasureBox(CutBox& box, const std::vector<int>& keys, const std::vector<HistogramBin>& bins) {
    std::array<int, 3> low{31, 31, 31};
    std::array<int, 3> high{0, 0, 0};
    box.count = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
        box.count += bins[std::size_t(keys[i])].count;
        for (int c = 0; c < 3; ++c) {
            low[std::size_t(c)] = std::min(low[std::size_t(c)], BinChannel(keys[i], c));
            high[std::size_t(c)] = std::max(high[std::size_t(c)], BinChannel(keys[i], c));
        }
    }
    box.range = -1;
    for (int c = 0; c < 3; ++c) {
        const int range = high[std::size_t(c)] - low[std::size_t(c)];
        if (range > box.range) {
            box.range = range;
            box.longest = c;
        }
    }
}

std::vector<QRgb> MedianCut(const std::vector<HistogramBin>& bins, int wanted) {
    std::vector<int> keys;
    for (int key = 0; key < int(bins.size()); ++key) {
        if (bins[std::size_t(key)].count > 0) {
            keys.push_back(key);
        }
    }
    std::vector<CutBox> boxes(1);
    boxes[0].end = keys.size();
    MeasureBox(boxes[0], keys, bins);
    while (int(boxes.size()) < wanted) {
        // Split the box whose pixels spread the most; a box of one bin cannot be split.
        std::size_t chosen = boxes.size();
        double best = 0;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            const double score = double(boxes[i].count) * boxes[i].range;
            if (boxes[i].end - boxes[i].begin > 1 && score > best) {
                best = score;
                chosen = i;
            }
        }
        if (chosen == boxes.size()) {
            break;
        }
        CutBox& box = boxes[chosen];
        const int channel = box.longest;
        std::sort(keys.begin() + qsizetype(box.begin), keys.begin() + qsizetype(box.end), [&](int a, int b) {
            const int ca = BinChannel(a, channel);
            const int cb = BinChannel(b, channel);
            return ca != cb ? ca < cb : a < b;
        });
        quint64 seen = 0;
        std::size_t split = box.begin + 1;
        for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += bins[std::size_t(keys[i])].count;
            split = i + 1;
            if (seen * 2 >= box.count) {
                break;
            }
        }
        CutBox upper;
        upper.begin = split;
        upper.end = box.end;
        box.end = split;
        MeasureBox(box, keys, bins);
        MeasureBox(upper, keys, bins);
        boxes.push_back(upper);
    }
    std::vector<QRgb> colours;
    for (const CutBox& box : boxes) {
        HistogramBin sum;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            const HistogramBin& bin = bins[std::size_t(keys[i])];
            sum.count += bin.count;
            sum.red += bin.red;
            sum.green += bin.green;
            sum.blue += bin.blue;
        }
        const quint64 half = sum.count / 2;
        colours.push_back(qRgb(int((sum.red + half) / sum.count), int((sum.green + half) / sum.count),
                               int((sum.blue + half) / sum.count)));
    }
    return colours;
}

bool IsClear(QRgb pixel, bool transparency) {
    return transparency && qAlpha(pixel) < 128;
}

// `images` are Format_ARGB32 (or RGB32). At most `maxColours` entries, the transparent one
// included.
Palette BuildPalette(const std::vector<QImage>& images, int maxColours, bool transparency) {
    Palette palette;
    for (const QImage& image : images) {
        for (int y = 0; y < image.height() && !palette.transparent; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            palette.transparent =
                std::any_of(row, row + image.width(), [&](QRgb p) { return IsClear(p, transparency); });
        }
    }
    const int room = maxColours - (palette.transparent ? 1 : 0);

    QSet<QRgb> seen;
    bool tooMany = false;
    for (const QImage& image : images) {
        for (int y = 0; y < image.height() && !tooMany; ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            QRgb previous = 0;
            for (int x = 0; x < image.width(); ++x) {
                if (IsClear(row[x], transparency)) {
                    continue;
                }
                const QRgb colour = row[x] | 0xff000000u;
                if (x > 0 && colour == previous) {
                    continue;
                }
                previous = colour;
                seen.insert(colour);
                if (seen.size() > room) {
                    tooMany = true;
                    break;
                }
            }
        }
    }
    if (palette.transparent) {
        palette.colours.push_back(qRgb(0, 0, 0));
    }
    if (!tooMany) {
        std::vector<QRgb> sorted(seen.begin(), seen.end());
        std::sort(sorted.begin(), sorted.end());
        palette.colours.insert(palette.colours.end(), sorted.begin(), sorted.end());
        palette.exact = true;
        if (palette.colours.empty()) {
            palette.colours.push_back(qRgb(0, 0, 0));
        }
        return palette;
    }
    std::vector<HistogramBin> bins(32768);
    for (const QImage& image : images) {
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                if (IsClear(row[x], transparency)) {
                    continue;
                }
                const int r = qRed(row[x]);
                const int g = qGreen(row[x]);
                const int b = qBlue(row[x]);
                HistogramBin& bin = bins[std::size_t(ColourKey(r, g, b))];
                ++bin.count;
                bin.red += quint64(r);
                bin.green += quint64(g);
                bin.blue += quint64(b);
            }
        }
    }
    const std::vector<QRgb> cut = MedianCut(bins, room);
    palette.colours.insert(palette.colours.end(), cut.begin(), cut.end());
    return palette;
}

int Nearest(const Palette& palette, int r, int g, int b) {
    int best = palette.transparent ? 1 : 0;
    int bestDistance = INT32_MAX;
    for (int i = best; i < int(palette.colours.size()); ++i) {
        const QRgb c = palette.colours[std::size_t(i)];
        const int dr = qRed(c) - r;
        const int dg = qGreen(c) - g;
        const int db = qBlue(c) - b;
        const int distance = 2 * dr * dr + 4 * dg * dg + 3 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return best;
}

// One palette index per pixel, rows packed without padding.
std::vector<quint8> MapToPalette(const QImage& image, const Palette& palette) {
    const int width = image.width();
    std::vector<quint8> indices(std::size_t(width) * std::size_t(image.height()));
    if (palette.exact) {
        QHash<QRgb, int> index;
        for (int i = palette.transparent ? 1 : 0; i < int(palette.colours.size()); ++i) {
            index.insert(palette.colours[std::size_t(i)], i);
        }
        for (int y = 0; y < image.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            quint8* out = indices.data() + std::size_t(y) * std::size_t(width);
            for (int x = 0; x < width; ++x) {
                out[x] = IsClear(row[x], palette.transparent) ? 0 : quint8(index.value(row[x] | 0xff000000u));
            }
        }
        return indices;
    }
    std::vector<qint16> cache(32768, -1);
    // Errors carried to the next pixel and the next row, in sixteenths, per channel.
    std::vector<int> current(std::size_t(width + 2) * 3, 0);
    std::vector<int> next(current.size(), 0);
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        quint8* out = indices.data() + std::size_t(y) * std::size_t(width);
        std::fill(next.begin(), next.end(), 0);
        for (int x = 0; x < width; ++x) {
            if (IsClear(row[x], palette.transparent)) {
                out[x] = 0;
                continue;
            }
            int* error = &current[std::size_t(x + 1) * 3];
            const std::array<int, 3> wanted{std::clamp(qRed(row[x]) + error[0] / 16, 0, 255),
                                            std::clamp(qGreen(row[x]) + error[1] / 16, 0, 255),
                                            std::clamp(qBlue(row[x]) + error[2] / 16, 0, 255)};
            const int key = ColourKey(wanted[0], wanted[1], wanted[2]);
            if (cache[std::size_t(key)] < 0) {
                cache[std::size_t(key)] = qint16(Nearest(palette, wanted[0], wanted[1], wanted[2]));
            }
            const int chosen = cache[std::size_t(key)];
            out[x] = quint8(chosen);
            const QRgb c = palette.colours[std::size_t(chosen)];
            const std::array<int, 3> got{qRed(c), qGreen(c), qBlue(c)};
            for (std::size_t ch = 0; ch < 3; ++ch) {
                const int e = wanted[ch] - got[ch];
                current[std::size_t(x + 2) * 3 + ch] += e * 7;
                next[std::size_t(x) * 3 + ch] += e * 3;
                next[std::size_t(x + 1) * 3 + ch] += e * 5;
                next[std::size_t(x + 2) * 3 + ch] += e;
            }
        }
        std::swap(current, next);
    }
    return indices;
}

// ---------------------------------------------------------------------------------------------
// JPEG. Everything the compressor needs is prepared by the caller, so the function that calls
// setjmp holds no object with a destructor.

struct JpegJob {
    int width = 0;
    int height = 0;
    int components = 3;
    J_COLOR_SPACE space = JCS_RGB;
    bool adobeMarker = false;
    int quality = 90;
    bool progressive = false;
    JSAMPROW* rows = nullptr;
    const QByteArray* app1 = nullptr;
    const QByteArray* comment = nullptr;
    ByteSink* sink = nullptr;
    char message[JMSG_LENGTH_MAX] = {};
};

struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    JpegJob* job;
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    auto* errors = reinterpret_cast<JpegErrors*>(cinfo->err);
    cinfo->err->format_message(cinfo, errors->job->message);
    std::longjmp(errors->jump, 1);
}

void JpegSilent(j_common_ptr) {}

struct JpegDestination {
    jpeg_destination_mgr manager;
    ByteSink* sink;
};

void JpegInitDestination(j_compress_ptr cinfo) {
    auto* destination = reinterpret_cast<JpegDestination*>(cinfo->dest);
    if (!SinkReserve(*destination->sink, 65536)) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    }
    destination->manager.next_output_byte = destination->sink->data;
    destination->manager.free_in_buffer = destination->sink->capacity;
}

boolean JpegEmptyBuffer(j_compress_ptr cinfo) {
    auto* destination = reinterpret_cast<JpegDestination*>(cinfo->dest);
    ByteSink& sink = *destination->sink;
    // libjpeg calls this only when the whole buffer is full.
    const std::size_t used = sink.capacity;
    if (!SinkReserve(sink, used * 2)) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    }
    destination->manager.next_output_byte = sink.data + used;
    destination->manager.free_in_buffer = sink.capacity - used;
    return TRUE;
}

void JpegTermDestination(j_compress_ptr cinfo) {
    auto* destination = reinterpret_cast<JpegDestination*>(cinfo->dest);
    destination->sink->size = destination->sink->capacity - destination->manager.free_in_buffer;
}

bool RunJpeg(JpegJob& job) {
    jpeg_compress_struct cinfo{};
    JpegErrors errors;
    JpegDestination destination;
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegErrorExit;
    errors.manager.output_message = JpegSilent;
    errors.job = &job;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    destination.manager.init_destination = JpegInitDestination;
    destination.manager.empty_output_buffer = JpegEmptyBuffer;
    destination.manager.term_destination = JpegTermDestination;
    destination.sink = job.sink;
    cinfo.dest = &destination.manager;

    cinfo.image_width = JDIMENSION(job.width);
    cinfo.image_height = JDIMENSION(job.height);
    cinfo.input_components = job.components;
    cinfo.in_color_space = job.space;
    // The defaults store RGB as YCbCr and grey and CMYK as they come; for CMYK they also turn
    // on the Adobe marker, which readers take to mean inverted inks.
    jpeg_set_defaults(&cinfo);
    if (job.space == JCS_CMYK) {
        cinfo.write_Adobe_marker = boolean(job.adobeMarker);
    }
    jpeg_set_quality(&cinfo, job.quality, TRUE);
    if (job.progressive) {
        jpeg_simple_progression(&cinfo);
    }
    jpeg_start_compress(&cinfo, TRUE);
    if (!job.app1->isEmpty()) {
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, reinterpret_cast<const JOCTET*>(job.app1->constData()),
                          unsigned(job.app1->size()));
    }
    if (!job.comment->isEmpty()) {
        jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(job.comment->constData()),
                          unsigned(job.comment->size()));
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        jpeg_write_scanlines(&cinfo, job.rows + cinfo.next_scanline,
                             cinfo.image_height - cinfo.next_scanline);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

// Naive separation without under-colour removal limits: K takes the darkness common to all
// three inks, and C, M, Y the rest relative to it, so R = (255 - C) * (255 - K) / 255.
std::vector<JSAMPLE> CmykPixels(const QImage& rgb, bool inverted) {
    std::vector<JSAMPLE> pixels(std::size_t(rgb.width()) * std::size_t(rgb.height()) * 4);
    JSAMPLE* out = pixels.data();
    for (int y = 0; y < rgb.height(); ++y) {
        const uchar* in = rgb.constScanLine(y);
        for (int x = 0; x < rgb.width(); ++x, in += 3, out += 4) {
            const int white = std::max({int(in[0]), int(in[1]), int(in[2])});
            for (int c = 0; c < 3; ++c) {
                const int ink = white == 0 ? 0 : 255 - (int(in[c]) * 255 + white / 2) / white;
                out[c] = JSAMPLE(inverted ? 255 - ink : ink);
            }
            out[3] = JSAMPLE(inverted ? white : 255 - white);
        }
    }
    return pixels;
}

// ---------------------------------------------------------------------------------------------
// PNG, prepared the same way as the JPEG job.

struct PngJob {
    int width = 0;
    int height = 0;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGB;
    bool swap16 = false;    // rows hold 16-bit samples in the machine's order
    bool stripFill = false; // rows hold a fourth, unused sample per pixel
    int compression = 6;
    png_bytep* rows = nullptr;
    const png_color* palette = nullptr;
    int paletteSize = 0;
    bool transparentFirst = false;
    png_text* text = nullptr; // null for none
    ByteSink* sink = nullptr;
    char message[200] = {};
};

[[noreturn]] void PngError(png_structp png, png_const_charp message) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    std::snprintf(job->message, sizeof job->message, "%s", message);
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngWrite(png_structp png, png_bytep data, png_size_t length) {
    if (!SinkAppend(*static_cast<ByteSink*>(png_get_io_ptr(png)), data, length)) {
        png_error(png, "out of memory");
    }
}

void PngFlush(png_structp) {}

bool RunPng(PngJob& job) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, PngError, PngWarning);
    if (png == nullptr) {
        std::snprintf(job.message, sizeof job.message, "%s", "png_create_write_struct");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(job.message, sizeof job.message, "%s", "png_create_info_struct");
        return false;
    }
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, job.sink, PngWrite, PngFlush);
    png_set_compression_level(png, job.compression);
    png_set_IHDR(png, info, png_uint_32(job.width), png_uint_32(job.height), job.bitDepth, job.colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job.palette != nullptr) {
        png_set_PLTE(png, info, job.palette, job.paletteSize);
        if (job.transparentFirst) {
            const png_byte clear = 0;
            png_set_tRNS(png, info, &clear, 1, nullptr);
        }
    }
    if (job.text != nullptr) {
        png_set_text(png, info, job.text, 1);
    }
    png_write_info(png, info);
    if (job.swap16) {
        png_set_swap(png);
    }
    if (job.stripFill) {
        png_set_filler(png, 0, PNG_FILLER_AFTER);
    }
    png_write_image(png, job.rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

// A tEXt keyword: 1 to 79 printable Latin-1 characters, no leading, trailing or double spaces.
bool IsPngKeyword(const QString& key) {
    if (key.isEmpty() || key.size() > 79 || key.startsWith(u' ') || key.endsWith(u' ') ||
        key.contains(u"  ")) {
        return false;
    }
    return std::all_of(key.begin(), key.end(), [](QChar c) {
        return (c.unicode() >= 32 && c.unicode() <= 126) || (c.unicode() >= 161 && c.unicode() <= 255);
    });
}

bool IsLatin1(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 255; });
}

// ---------------------------------------------------------------------------------------------
// GIF

int GifWrite(GifFileType* gif, const GifByteType* bytes, int length) {
    return SinkAppend(*static_cast<ByteSink*>(gif->UserData), bytes, std::size_t(length)) ? length : 0;
}

QString GifProblem(int code) {
    return QStringLiteral("GIF を書けません（%1）。").arg(QString::fromLatin1(GifErrorString(code)));
}

// Writes `bytes` as one extension made of sub-blocks of at most 255 bytes.
bool GifPutBlocks(GifFileType* gif, int code, const QByteArray& bytes) {
    if (EGifPutExtensionLeader(gif, code) == GIF_ERROR) {
        return false;
    }
    for (qsizetype at = 0; at < bytes.size(); at += 255) {
        const int length = int(std::min<qsizetype>(255, bytes.size() - at));
        if (EGifPutExtensionBlock(gif, length, bytes.constData() + at) == GIF_ERROR) {
            return false;
        }
    }
    return EGifPutExtensionTrailer(gif) != GIF_ERROR;
}

void PutLittle16(QByteArray& out, int value) {
    out.append(char(value & 0xff));
    out.append(char((value >> 8) & 0xff));
}

void PutLittle32(QByteArray& out, qint64 value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.append(char((value >> shift) & 0xff));
    }
}

} // namespace

QByteArray EncodeJpeg(const QImage& image, const JpegEncodeOptions& options, QString* error) {
    if (const QString problem = PictureProblem(image); !problem.isEmpty()) {
        return Fail(error, problem);
    }
    if (image.width() > JPEG_MAX_DIMENSION || image.height() > JPEG_MAX_DIMENSION) {
        return Fail(error, QStringLiteral("JPEG の幅と高さは %1 ピクセルまでです。").arg(JPEG_MAX_DIMENSION));
    }
    if (options.quality < 1 || options.quality > 100) {
        return Fail(error, QStringLiteral("JPEG の画質は 1 から 100 で指定します。"));
    }
    if (options.app1.size() > kMaxMarkerBytes || options.comment.size() > kMaxMarkerBytes) {
        return Fail(error, QStringLiteral("JPEG のコメントまたは APP1 が長すぎます。"));
    }
    const bool grey = options.colour == JpegColour::Grey;
    const bool cmyk = options.colour == JpegColour::Cmyk || options.colour == JpegColour::CmykAdobeInverted;
    const QImage pixels = grey ? GreyPixels(image, false) : Flattened(image, QImage::Format_RGB888);
    std::vector<JSAMPLE> inks;
    std::vector<JSAMPROW> rows(std::size_t(pixels.height()));
    if (cmyk) {
        inks = CmykPixels(pixels, options.colour == JpegColour::CmykAdobeInverted);
        for (std::size_t y = 0; y < rows.size(); ++y) {
            rows[y] = inks.data() + y * std::size_t(pixels.width()) * 4;
        }
    } else {
        for (std::size_t y = 0; y < rows.size(); ++y) {
            // libjpeg takes non-const rows but only reads them; a non-const scanLine() would
            // copy a picture shared with the caller.
            rows[y] = const_cast<JSAMPROW>(pixels.constScanLine(int(y)));
        }
    }
    OwnedSink sink;
    JpegJob job;
    job.width = pixels.width();
    job.height = pixels.height();
    job.components = grey ? 1 : cmyk ? 4 : 3;
    job.space = grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    job.adobeMarker = options.colour == JpegColour::CmykAdobeInverted;
    job.quality = options.quality;
    job.progressive = options.progressive;
    job.rows = rows.data();
    job.app1 = &options.app1;
    job.comment = &options.comment;
    job.sink = &sink.sink();
    if (!RunJpeg(job)) {
        return Fail(error,
                    QStringLiteral("JPEG を書けません（%1）。").arg(QString::fromLocal8Bit(job.message)));
    }
    return sink.bytes();
}

QByteArray EncodePng(const QImage& image, const PngEncodeOptions& options, QString* error) {
    if (const QString problem = PictureProblem(image); !problem.isEmpty()) {
        return Fail(error, problem);
    }
    if (options.compression < 0 || options.compression > 9) {
        return Fail(error, QStringLiteral("PNG の圧縮レベルは 0 から 9 で指定します。"));
    }
    const QString key = options.commentKey.isEmpty() ? QStringLiteral("Comment") : options.commentKey;
    if (!options.commentText.isEmpty() && !IsPngKeyword(key)) {
        return Fail(error, QStringLiteral("PNG のテキストのキーワードが正しくありません（%1）。").arg(key));
    }

    PngJob job;
    QImage pixels;
    std::vector<quint8> indices;
    std::vector<png_color> colours;
    switch (options.kind) {
    case PngKind::Palette8: {
        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        const Palette palette = BuildPalette({argb}, 256, true);
        indices = MapToPalette(argb, palette);
        for (QRgb c : palette.colours) {
            colours.push_back(png_color{png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
        }
        job.colourType = PNG_COLOR_TYPE_PALETTE;
        job.palette = colours.data();
        job.paletteSize = int(colours.size());
        job.transparentFirst = palette.transparent;
        break;
    }
    case PngKind::Rgb24:
        pixels = Flattened(image, QImage::Format_RGB888);
        job.colourType = PNG_COLOR_TYPE_RGB;
        break;
    case PngKind::Rgba32:
        pixels = image.convertToFormat(QImage::Format_RGBA8888);
        job.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        break;
    case PngKind::Grey8:
        pixels = GreyPixels(image, false);
        job.colourType = PNG_COLOR_TYPE_GRAY;
        break;
    case PngKind::Grey16:
        pixels = GreyPixels(image, true);
        job.colourType = PNG_COLOR_TYPE_GRAY;
        job.bitDepth = 16;
        break;
    case PngKind::Rgb48:
        pixels = Flattened(image, QImage::Format_RGBX64);
        job.colourType = PNG_COLOR_TYPE_RGB;
        job.bitDepth = 16;
        job.stripFill = true;
        break;
    }
    job.swap16 = job.bitDepth == 16 && Q_BYTE_ORDER == Q_LITTLE_ENDIAN;
    job.width = image.width();
    job.height = image.height();
    std::vector<png_bytep> rows(std::size_t(image.height()));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        // libpng reads the rows without changing them (its transforms work on a copy).
        rows[y] = indices.empty() ? const_cast<png_bytep>(pixels.constScanLine(int(y)))
                                  : indices.data() + y * std::size_t(image.width());
    }
    job.rows = rows.data();
    job.compression = options.compression;

    QByteArray keyBytes = key.toLatin1();
    QByteArray textBytes;
    png_text text{};
    if (!options.commentText.isEmpty()) {
        const bool latin1 = IsLatin1(options.commentText);
        textBytes = latin1 ? options.commentText.toLatin1() : options.commentText.toUtf8();
        text.compression = latin1 ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
        text.key = keyBytes.data();
        text.text = textBytes.data();
        text.text_length = std::size_t(textBytes.size());
        job.text = &text;
    }
    OwnedSink sink;
    job.sink = &sink.sink();
    if (!RunPng(job)) {
        return Fail(error,
                    QStringLiteral("PNG を書けません（%1）。").arg(QString::fromLocal8Bit(job.message)));
    }
    return sink.bytes();
}

QByteArray EncodeGif(int width, int height, const std::vector<GifFrameSpec>& frames,
                     const QByteArray& comment, QString* error) {
    if (width < 1 || height < 1 || width > 65535 || height > 65535) {
        return Fail(error,
                    QStringLiteral("GIF の大きさが正しくありません（%1×%2）。").arg(width).arg(height));
    }
    if (frames.empty()) {
        return Fail(error, QStringLiteral("GIF のコマがありません。"));
    }
    std::vector<QImage> images;
    for (const GifFrameSpec& frame : frames) {
        if (const QString problem = PictureProblem(frame.image); !problem.isEmpty()) {
            return Fail(error, problem);
        }
        if (frame.x < 0 || frame.y < 0 || frame.x + frame.image.width() > width ||
            frame.y + frame.image.height() > height) {
            return Fail(error, QStringLiteral("GIF のコマが画面からはみ出します。"));
        }
        if (frame.delayCs < 0 || frame.delayCs > 65535 || frame.disposal < 0 || frame.disposal > 3) {
            return Fail(error, QStringLiteral("GIF のコマの待ち時間または消去方法が正しくありません。"));
        }
        images.push_back(frame.image.convertToFormat(QImage::Format_ARGB32));
    }
    const Palette palette = BuildPalette(images, 256, true);
    int mapSize = 2;
    while (mapSize < int(palette.colours.size())) {
        mapSize *= 2;
    }
    std::vector<GifColorType> mapColours(std::size_t(mapSize), GifColorType{0, 0, 0});
    for (std::size_t i = 0; i < palette.colours.size(); ++i) {
        const QRgb c = palette.colours[i];
        mapColours[i] = GifColorType{GifByteType(qRed(c)), GifByteType(qGreen(c)), GifByteType(qBlue(c))};
    }

    OwnedSink sink;
    int code = 0;
    GifFileType* gif = EGifOpen(&sink.sink(), GifWrite, &code);
    if (gif == nullptr) {
        return Fail(error, GifProblem(code));
    }
    EGifSetGifVersion(gif, true);
    ColorMapObject* map = GifMakeMapObject(mapSize, mapColours.data());
    if (map == nullptr) {
        EGifCloseFile(gif, nullptr);
        return Fail(error, GifProblem(E_GIF_ERR_NOT_ENOUGH_MEM));
    }
    bool ok = EGifPutScreenDesc(gif, width, height, 8, 0, map) != GIF_ERROR;
    GifFreeMapObject(map);
    if (ok && frames.size() > 1) {
        // NETSCAPE2.0: loop forever.
        const GifByteType loop[3] = {1, 0, 0};
        ok = EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_ERROR &&
             EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") != GIF_ERROR &&
             EGifPutExtensionBlock(gif, 3, loop) != GIF_ERROR && EGifPutExtensionTrailer(gif) != GIF_ERROR;
    }
    if (ok && !comment.isEmpty()) {
        ok = GifPutBlocks(gif, COMMENT_EXT_FUNC_CODE, comment);
    }
    for (std::size_t i = 0; ok && i < frames.size(); ++i) {
        const GifFrameSpec& frame = frames[i];
        std::vector<quint8> indices = MapToPalette(images[i], palette);
        GraphicsControlBlock control{};
        control.DisposalMode = frame.disposal;
        control.UserInputFlag = false;
        control.DelayTime = frame.delayCs;
        control.TransparentColor = palette.transparent ? 0 : NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) != GIF_ERROR &&
             EGifPutImageDesc(gif, frame.x, frame.y, frame.image.width(), frame.image.height(), false,
                              nullptr) != GIF_ERROR &&
             EGifPutLine(gif, indices.data(), int(indices.size())) != GIF_ERROR;
    }
    if (!ok) {
        code = gif->Error;
        EGifCloseFile(gif, nullptr);
        return Fail(error, GifProblem(code));
    }
    if (EGifCloseFile(gif, &code) == GIF_ERROR) {
        return Fail(error, GifProblem(code));
    }
    return sink.bytes();
}

QByteArray EncodeBmp(const QImage& image, int bitsPerPixel, QString* error) {
    if (const QString problem = PictureProblem(image); !problem.isEmpty()) {
        return Fail(error, problem);
    }
    static constexpr std::array<int, 6> kDepths{1, 4, 8, 16, 24, 32};
    if (std::find(kDepths.begin(), kDepths.end(), bitsPerPixel) == kDepths.end()) {
        return Fail(error, QStringLiteral("BMP の色数が正しくありません（%1 ビット）。").arg(bitsPerPixel));
    }
    const int width = image.width();
    const int height = image.height();
    const qint64 stride = ((qint64(width) * bitsPerPixel + 31) / 32) * 4;
    const QImage pixels = Flattened(image, QImage::Format_RGB32);
    Palette palette;
    std::vector<quint8> indices;
    if (bitsPerPixel <= 8) {
        palette = BuildPalette({pixels}, 1 << bitsPerPixel, false);
        indices = MapToPalette(pixels, palette);
    }
    const qint64 paletteBytes = qint64(palette.colours.size()) * 4;
    const qint64 offset = 14 + 40 + paletteBytes;
    const qint64 fileSize = offset + stride * height;
    if (fileSize > INT32_MAX) {
        return Fail(error, QStringLiteral("画像が大きすぎます（%1×%2）。").arg(width).arg(height));
    }

    QByteArray out;
    out.reserve(qsizetype(fileSize));
    out.append("BM");
    PutLittle32(out, fileSize);
    PutLittle32(out, 0);
    PutLittle32(out, offset);
    PutLittle32(out, 40);
    PutLittle32(out, width);
    PutLittle32(out, height); // positive: the rows are stored bottom-up
    PutLittle16(out, 1);
    PutLittle16(out, bitsPerPixel);
    PutLittle32(out, 0); // BI_RGB
    PutLittle32(out, stride * height);
    PutLittle32(out, 2835); // 72 dpi
    PutLittle32(out, 2835);
    PutLittle32(out, qint64(palette.colours.size()));
    PutLittle32(out, 0);
    for (QRgb c : palette.colours) {
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append('\0');
    }
    QByteArray row(qsizetype(stride), '\0');
    for (int y = height - 1; y >= 0; --y) {
        row.fill('\0');
        auto* bytes = reinterpret_cast<uchar*>(row.data());
        const auto* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        const quint8* index =
            indices.empty() ? nullptr : indices.data() + std::size_t(y) * std::size_t(width);
        for (int x = 0; x < width; ++x) {
            switch (bitsPerPixel) {
            case 1:
                bytes[x / 8] |= uchar(index[x] << (7 - x % 8));
                break;
            case 4:
                bytes[x / 2] |= uchar(index[x] << (x % 2 == 0 ? 4 : 0));
                break;
            case 8:
                bytes[x] = index[x];
                break;
            case 16: {
                const int value =
                    ((qRed(line[x]) >> 3) << 10) | ((qGreen(line[x]) >> 3) << 5) | (qBlue(line[x]) >> 3);
                bytes[x * 2] = uchar(value & 0xff);
                bytes[x * 2 + 1] = uchar(value >> 8);
                break;
            }
            default: {
                const int step = bitsPerPixel / 8;
                bytes[x * step] = uchar(qBlue(line[x]));
                bytes[x * step + 1] = uchar(qGreen(line[x]));
                bytes[x * step + 2] = uchar(qRed(line[x]));
                break;
            }
            }
        }
        out.append(row);
    }
    return out;
}
