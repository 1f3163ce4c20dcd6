#include "core/imaging/PngDecoder.h"

#include "core/common/TextEncoding.h"
#include "core/imaging/PixelBufferPool.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <png.h>
#include <vector>

namespace {

constexpr qint64 kMaxPixels = qint64(1) << 28;

// The libpng state of one decode. Plain C data only: the functions below that call setjmp
// hold nothing with a destructor, so a longjmp from inside libpng skips no C++ cleanup.
struct PngSession {
    png_structp png;
    png_infop info;
    const unsigned char* data;
    std::size_t size;
    std::size_t position;
    char message[128];
    png_uint_32 width;
    png_uint_32 height;
    int declaredBits; // bits per pixel as the header declares them
    bool alpha;
};

void OnPngError(png_structp png, png_const_charp text) {
    auto* s = static_cast<PngSession*>(png_get_error_ptr(png));
    std::strncpy(s->message, text, sizeof s->message - 1);
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadPngBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* s = static_cast<PngSession*>(png_get_io_ptr(png));
    if (count > s->size - s->position) {
        png_error(png, "file ends early");
    }
    std::memcpy(out, s->data + s->position, count);
    s->position += count;
}

int Channels(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
        return 4;
    default:
        return 1; // grey, palette
    }
}

// Reads the header and sets the transformations to 8-bit RGB or BGRA rows. False on a broken
// header or a picture too large to decode.
bool PngReadHeader(PngSession* s) {
    if (setjmp(png_jmpbuf(s->png)) != 0) {
        return false;
    }
    png_read_info(s->png, s->info);
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(s->png, s->info, &s->width, &s->height, &bitDepth, &colourType, &interlace, nullptr,
                 nullptr);
    s->declaredBits = bitDepth * Channels(colourType);
    if (static_cast<qint64>(s->width) * s->height > kMaxPixels) {
        std::strcpy(s->message, "too many pixels");
        return false;
    }
    const bool transparency = png_get_valid(s->png, s->info, PNG_INFO_tRNS) != 0;
    s->alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(s->png);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(s->png);
    }
    if (transparency) {
        png_set_tRNS_to_alpha(s->png);
    }
    if (bitDepth == 16) {
        png_set_strip_16(s->png);
    }
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(s->png);
    }
    if (s->alpha) {
        // QImage::Format_ARGB32 is one 32-bit value per pixel, 0xAARRGGBB.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        png_set_bgr(s->png);
#else
        png_set_swap_alpha(s->png);
#endif
    }
    png_set_interlace_handling(s->png);
    png_read_update_info(s->png, s->info);
    if (png_get_rowbytes(s->png, s->info) != static_cast<png_size_t>(s->width) * (s->alpha ? 4 : 3)) {
        std::strcpy(s->message, "unexpected row layout");
        return false;
    }
    return true;
}

bool PngReadRows(PngSession* s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(s->png)) != 0) {
        return false;
    }
    png_read_image(s->png, rows);
    return true;
}

// Reads the chunks after the picture data for their texts. A file that lacks only these still
// shows, so a failure here only loses the late texts.
void PngReadEnd(PngSession* s) {
    if (setjmp(png_jmpbuf(s->png)) != 0) {
        return;
    }
    png_read_end(s->png, s->info);
}

QString TextOf(const png_text& text) {
    if (text.compression == PNG_ITXT_COMPRESSION_NONE || text.compression == PNG_ITXT_COMPRESSION_zTXt) {
        return QString::fromUtf8(text.text, static_cast<qsizetype>(text.itxt_length));
    }
    return DecodeText(QByteArray(text.text, static_cast<qsizetype>(text.text_length)));
}

QString PngComment(PngSession* s) {
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(s->png, s->info, &texts, &count);
    if (count <= 0 || texts == nullptr) {
        return {};
    }
    for (int i = 0; i < count; ++i) {
        if (texts[i].key != nullptr && std::strcmp(texts[i].key, "Comment") == 0) {
            return TextOf(texts[i]);
        }
    }
    return TextOf(texts[0]);
}

// The most memory libpng may take in one piece for its own work (chunks, rows, the inflate
// window); the picture's pixels are not among them. A damaged length field must not make it ask
// for gigabytes: a refused piece ends the decode as an error.
constexpr png_alloc_size_t kLibpngPieceLimit = 64 * 1024 * 1024;

png_voidp LimitedMalloc(png_structp, png_alloc_size_t size) {
    return size > kLibpngPieceLimit ? nullptr : std::malloc(size);
}

void LimitedFree(png_structp, png_voidp memory) {
    std::free(memory);
}

// Owns libpng's structures for the C++ side: released on every path.
class PngReader {
public:
    explicit PngReader(PngSession* s) : m_session(s) {
        s->png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, s, OnPngError, OnPngWarning, nullptr,
                                          LimitedMalloc, LimitedFree);
        if (s->png != nullptr) {
            s->info = png_create_info_struct(s->png);
        }
    }
    ~PngReader() {
        if (m_session->png != nullptr) {
            png_destroy_read_struct(&m_session->png, m_session->info != nullptr ? &m_session->info : nullptr,
                                    nullptr);
        }
    }
    PngReader(const PngReader&) = delete;
    PngReader& operator=(const PngReader&) = delete;

    bool ready() const { return m_session->png != nullptr && m_session->info != nullptr; }

private:
    PngSession* m_session;
};

} // namespace

DecodedPicture DecodePng(const uchar* data, qint64 size, PixelBufferPool* pool) {
    DecodedPicture result;
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        result.error = QStringLiteral("not a PNG file");
        return result;
    }
    PngSession session{};
    session.data = data;
    session.size = static_cast<std::size_t>(size);
    PngReader reader(&session);
    if (!reader.ready()) {
        result.error = QStringLiteral("out of memory");
        return result;
    }
    png_set_read_fn(session.png, &session, ReadPngBytes);
    if (!PngReadHeader(&session)) {
        result.error = QString::fromLatin1(session.message);
        return result;
    }
    const QSize pictureSize(static_cast<int>(session.width), static_cast<int>(session.height));
    const QImage::Format format = session.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB888;
    QImage image;
    uchar* pixels = nullptr;
    if (pool != nullptr) {
        PixelBufferPool::Lease lease = pool->acquire(pictureSize, format);
        image = std::move(lease.image);
        pixels = lease.pixels;
    } else {
        image = QImage(pictureSize, format);
        pixels = image.isNull() ? nullptr : image.bits();
    }
    if (pixels == nullptr) {
        result.error = QStringLiteral("out of memory");
        return result;
    }
    std::vector<png_bytep> rows(session.height);
    const auto stride = static_cast<std::size_t>(image.bytesPerLine());
    for (std::size_t y = 0; y < rows.size(); ++y) {
        rows[y] = pixels + y * stride;
    }
    if (!PngReadRows(&session, rows.data())) {
        result.error = QString::fromLatin1(session.message);
        return result;
    }
    PngReadEnd(&session);
    result.bitDepth = session.declaredBits;
    result.comment = PngComment(&session);
    result.image = std::move(image);
    return result;
}
