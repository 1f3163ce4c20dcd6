#include "core/imaging/ImageLoader.h"
#include "support/TempFolder.h"
#include "unit/imaging/ImagingFixtures.h"

#include <csetjmp>
#include <cstring>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

using namespace imaging_test;

namespace {

// A PNG put together chunk by chunk, so any colour type, depth and text chunk can be written.
class PngBuilder {
public:
    PngBuilder(int width, int height, int bitDepth, int colourType) : m_width(width), m_height(height) {
        m_bytes = QByteArray("\x89PNG\r\n\x1a\n", 8);
        QByteArray ihdr;
        PutBig32(ihdr, width);
        PutBig32(ihdr, height);
        ihdr.append(static_cast<char>(bitDepth));
        ihdr.append(static_cast<char>(colourType));
        ihdr.append(QByteArray(3, '\0'));
        chunk("IHDR", ihdr);
    }
    PngBuilder& chunk(const char* type, const QByteArray& data) {
        QByteArray body(type, 4);
        body.append(data);
        PutBig32(m_bytes, data.size());
        m_bytes.append(body);
        PutBig32(m_bytes, static_cast<qint64>(crc32(0, reinterpret_cast<const Bytef*>(body.constData()),
                                                    static_cast<uInt>(body.size()))));
        return *this;
    }
    // `rows` holds each row's packed samples without the filter byte.
    PngBuilder& pixels(const std::vector<QByteArray>& rows) {
        QByteArray raw;
        for (const QByteArray& row : rows) {
            raw.append('\0');
            raw.append(row);
        }
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        QByteArray packed(static_cast<qsizetype>(size), '\0');
        compress(reinterpret_cast<Bytef*>(packed.data()), &size,
                 reinterpret_cast<const Bytef*>(raw.constData()), static_cast<uLong>(raw.size()));
        packed.truncate(static_cast<qsizetype>(size));
        return chunk("IDAT", packed);
    }
    QByteArray finish() {
        chunk("IEND", {});
        return m_bytes;
    }

    static void PutBig32(QByteArray& out, qint64 v) {
        for (int shift = 24; shift >= 0; shift -= 8) {
            out.append(static_cast<char>((v >> shift) & 0xFF));
        }
    }

private:
    int m_width;
    int m_height;
    QByteArray m_bytes;
};

// Packs samples of `bits` each, most significant first, into one row.
QByteArray Packed(const std::vector<int>& samples, int bits) {
    QByteArray row;
    int acc = 0;
    int used = 0;
    for (const int s : samples) {
        if (bits == 16) {
            row.append(static_cast<char>(s >> 8));
            row.append(static_cast<char>(s & 0xFF));
            continue;
        }
        acc = (acc << bits) | s;
        used += bits;
        if (used == 8) {
            row.append(static_cast<char>(acc));
            acc = used = 0;
        }
    }
    if (used > 0) {
        row.append(static_cast<char>(acc << (8 - used)));
    }
    return row;
}

QByteArray Palette(const std::vector<QRgb>& colours) {
    QByteArray out;
    for (const QRgb c : colours) {
        out.append(static_cast<char>(qRed(c)));
        out.append(static_cast<char>(qGreen(c)));
        out.append(static_cast<char>(qBlue(c)));
    }
    return out;
}

QByteArray TextChunk(const char* key, const QByteArray& text) {
    return QByteArray(key) + '\0' + text;
}

QByteArray ZtxtChunk(const char* key, const QByteArray& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    QByteArray packed(static_cast<qsizetype>(size), '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(text.constData()),
             static_cast<uLong>(text.size()));
    packed.truncate(static_cast<qsizetype>(size));
    return QByteArray(key) + '\0' + '\0' + packed;
}

QByteArray ItxtChunk(const char* key, const QString& text) {
    return QByteArray(key) + QByteArray("\0\0\0\0\0", 5) + text.toUtf8();
}

struct MemoryOut {
    unsigned char* data;
    std::size_t size;
    std::size_t capacity;
};

void WriteOut(png_structp png, png_bytep bytes, png_size_t count) {
    auto* out = static_cast<MemoryOut*>(png_get_io_ptr(png));
    if (out->size + count > out->capacity) {
        png_error(png, "buffer full");
    }
    std::memcpy(out->data + out->size, bytes, count);
    out->size += count;
}

// Writes an Adam7-interlaced 8-bit RGB PNG with libpng (which does the interlacing) into `out`.
bool WriteInterlaced(png_bytepp rows, png_uint_32 width, png_uint_32 height, MemoryOut* out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)) != 0) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, out, WriteOut, nullptr);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

TEST(PngLoad, EncodedKindsKeepTheirColoursAndDepths) {
    TempFolder dir;
    QImage picture = Quadrants(40, 30).convertToFormat(QImage::Format_ARGB32);
    struct Case {
        const char* name;
        PngKind kind;
        int bitDepth;
        QImage::Format format;
    };
    const std::vector<Case> cases = {
        {"palette8", PngKind::Palette8, 8, QImage::Format_RGB888},
        {"rgb24", PngKind::Rgb24, 24, QImage::Format_RGB888},
        {"rgb48", PngKind::Rgb48, 48, QImage::Format_RGB888},
        {"grey8", PngKind::Grey8, 8, QImage::Format_RGB888},
        {"grey16", PngKind::Grey16, 16, QImage::Format_RGB888},
    };
    for (const Case& c : cases) {
        PngEncodeOptions options;
        options.kind = c.kind;
        const QString path =
            dir.write(QString::fromLatin1(c.name) + QStringLiteral(".png"), EncodePng(picture, options));
        const LoadedImage loaded = LoadImageFile(path, {});
        SCOPED_TRACE(c.name);
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << loaded.reason.toStdString();
        EXPECT_EQ(loaded.bitDepth, c.bitDepth);
        EXPECT_EQ(loaded.image.format(), c.format);
        const bool grey = c.kind == PngKind::Grey8 || c.kind == PngKind::Grey16;
        const std::vector<QRgb> got = QuadrantCentres(loaded.image);
        const std::vector<QRgb> want = QuadrantCentres(picture);
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_LE(ChannelDistance(got[i], grey ? Luma(want[i]) : want[i]), 1) << i;
        }
    }
    // Alpha survives as ARGB32.
    picture.setPixel(0, 0, qRgba(10, 20, 30, 0));
    picture.setPixel(39, 29, qRgba(200, 100, 50, 128));
    PngEncodeOptions rgba;
    rgba.kind = PngKind::Rgba32;
    const LoadedImage loaded = LoadImageFile(dir.write("rgba.png", EncodePng(picture, rgba)), {});
    ASSERT_EQ(loaded.status, LoadStatus::Decoded);
    EXPECT_EQ(loaded.bitDepth, 32);
    EXPECT_EQ(loaded.image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(loaded.image.pixel(0, 0)), 0);
    EXPECT_EQ(loaded.image.pixel(39, 29), qRgba(200, 100, 50, 128));
    EXPECT_EQ(loaded.image.pixel(20, 5), picture.pixel(20, 5));
}

TEST(PngLoad, LowDepthsGreyAlphaAndTransparencyChunks) {
    TempFolder dir;
    const std::vector<QRgb> four = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)};
    struct Case {
        const char* name;
        QByteArray bytes;
        int bitDepth;
        std::vector<QRgb> expected; // the first row's pixels
    };
    const std::vector<Case> cases = {
        {"grey1",
         PngBuilder(5, 1, 1, 0).pixels({Packed({0, 1, 1, 0, 1}, 1)}).finish(),
         1,
         {qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 255, 255)}},
        {"grey2",
         PngBuilder(4, 1, 2, 0).pixels({Packed({0, 1, 2, 3}, 2)}).finish(),
         2,
         {qRgb(0, 0, 0), qRgb(85, 85, 85), qRgb(170, 170, 170), qRgb(255, 255, 255)}},
        {"grey4-trns",
         PngBuilder(3, 1, 4, 0)
             .chunk("tRNS", QByteArray("\x00\x05", 2))
             .pixels({Packed({5, 15, 0}, 4)})
             .finish(),
         4,
         {qRgba(85, 85, 85, 0), qRgba(255, 255, 255, 255), qRgba(0, 0, 0, 255)}},
        {"grey16",
         PngBuilder(2, 1, 16, 0).pixels({Packed({0xFFFF, 0x8080}, 16)}).finish(),
         16,
         {qRgb(255, 255, 255), qRgb(128, 128, 128)}},
        {"palette1",
         PngBuilder(3, 1, 1, 3)
             .chunk("PLTE", Palette({four[0], four[2]}))
             .pixels({Packed({1, 0, 1}, 1)})
             .finish(),
         1,
         {four[2], four[0], four[2]}},
        {"palette2",
         PngBuilder(4, 1, 2, 3).chunk("PLTE", Palette(four)).pixels({Packed({3, 2, 1, 0}, 2)}).finish(),
         2,
         {four[3], four[2], four[1], four[0]}},
        {"palette4-trns",
         PngBuilder(3, 1, 4, 3)
             .chunk("PLTE", Palette(four))
             .chunk("tRNS", QByteArray("\x00\x80", 2))
             .pixels({Packed({0, 1, 2}, 4)})
             .finish(),
         4,
         {qRgba(255, 0, 0, 0), qRgba(0, 255, 0, 0x80), qRgba(0, 0, 255, 255)}},
        {"grey-alpha8",
         PngBuilder(2, 1, 8, 4).pixels({Packed({200, 255, 50, 0}, 8)}).finish(),
         16,
         {qRgba(200, 200, 200, 255), qRgba(50, 50, 50, 0)}},
        {"grey-alpha16",
         PngBuilder(1, 1, 16, 4).pixels({Packed({0x4000, 0x8000}, 16)}).finish(),
         32,
         {qRgba(64, 64, 64, 128)}},
        {"rgb8-trns",
         PngBuilder(2, 1, 8, 2)
             .chunk("tRNS", QByteArray("\x00\x01\x00\x02\x00\x03", 6))
             .pixels({Packed({1, 2, 3, 4, 5, 6}, 8)})
             .finish(),
         24,
         {qRgba(1, 2, 3, 0), qRgba(4, 5, 6, 255)}},
        {"rgba16",
         PngBuilder(1, 1, 16, 6).pixels({Packed({0xFF00, 0x8000, 0x0000, 0xFFFF}, 16)}).finish(),
         64,
         {qRgba(255, 128, 0, 255)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const LoadedImage loaded =
            LoadImageFile(dir.write(QString::fromLatin1(c.name) + QStringLiteral(".png"), c.bytes), {});
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << loaded.reason.toStdString();
        EXPECT_EQ(loaded.bitDepth, c.bitDepth);
        bool alpha = false;
        for (const QRgb e : c.expected) {
            alpha = alpha || qAlpha(e) != 255;
        }
        // Any transparency chunk or alpha channel makes an ARGB picture, even where all is opaque.
        const bool declaresAlpha =
            alpha || QByteArray(c.name).contains("alpha") || QByteArray(c.name).contains("rgba");
        EXPECT_EQ(loaded.image.format(), declaresAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
        for (int x = 0; x < static_cast<int>(c.expected.size()); ++x) {
            const QRgb got = loaded.image.pixel(x, 0);
            EXPECT_EQ(qAlpha(got), qAlpha(c.expected[std::size_t(x)])) << x;
            EXPECT_LE(ChannelDistance(got, c.expected[std::size_t(x)]), 1) << x << " " << std::hex << got;
        }
    }
}

TEST(PngLoad, InterlacedRowsLandInPlace) {
    TempFolder dir;
    const QImage picture = Quadrants(37, 21).convertToFormat(QImage::Format_RGB888);
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height(); ++y) {
        rows.push_back(const_cast<png_bytep>(picture.constScanLine(y)));
    }
    std::vector<unsigned char> buffer(1 << 16);
    MemoryOut out{buffer.data(), 0, buffer.size()};
    ASSERT_TRUE(WriteInterlaced(rows.data(), 37, 21, &out));
    const QString path =
        dir.write("adam7.png", QByteArray(reinterpret_cast<const char*>(out.data), qsizetype(out.size)));
    const LoadedImage loaded = LoadImageFile(path, {});
    ASSERT_EQ(loaded.status, LoadStatus::Decoded);
    EXPECT_EQ(loaded.image, picture);
}

TEST(PngLoad, CommentPrefersTheCommentKeyword) {
    TempFolder dir;
    auto png = [](const std::vector<std::pair<const char*, QByteArray>>& chunks) {
        PngBuilder b(1, 1, 8, 0);
        for (const auto& [type, data] : chunks) {
            b.chunk(type, data);
        }
        return b.pixels({QByteArray(1, '\x7f')}).finish();
    };
    const QByteArray sjis("\x93\xfa\x96\x7b\x8c\xea");
    struct Case {
        const char* name;
        QByteArray bytes;
        QString comment;
    };
    const std::vector<Case> cases = {
        {"none", png({}), QString()},
        {"first of others",
         png({{"tEXt", TextChunk("Title", "Sunset")}, {"tEXt", TextChunk("Author", "me")}}),
         QStringLiteral("Sunset")},
        {"Comment wins",
         png({{"tEXt", TextChunk("Title", "Sunset")}, {"tEXt", TextChunk("Comment", "by the sea")}}),
         QStringLiteral("by the sea")},
        {"cp932 tEXt", png({{"tEXt", TextChunk("Comment", sjis)}}), QStringLiteral("日本語")},
        {"zTXt", png({{"zTXt", ZtxtChunk("Comment", "packed words")}}), QStringLiteral("packed words")},
        {"iTXt", png({{"iTXt", ItxtChunk("Comment", QStringLiteral("夕焼け"))}}), QStringLiteral("夕焼け")},
    };
    for (const Case& c : cases) {
        const LoadedImage loaded = LoadImageFile(dir.write("text.png", c.bytes), {});
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << c.name;
        EXPECT_EQ(loaded.comment, c.comment) << c.name;
    }
    // Text after the picture data counts too; so does the encoder's own text chunk.
    PngBuilder late(1, 1, 8, 0);
    late.pixels({QByteArray(1, '\0')}).chunk("tEXt", TextChunk("Comment", "late"));
    EXPECT_EQ(LoadImageFile(dir.write("late.png", late.finish()), {}).comment, QStringLiteral("late"));
    PngEncodeOptions options;
    options.commentText = QStringLiteral("猫の写真");
    EXPECT_EQ(LoadImageFile(dir.write("enc.png", EncodePng(Quadrants(8, 8), options)), {}).comment,
              QStringLiteral("猫の写真"));
}

TEST(PngLoad, BrokenAndHugeFilesFail) {
    TempFolder dir;
    const QByteArray full = EncodePng(Quadrants(300, 200), {});
    for (const qsizetype length : {qsizetype(8), qsizetype(30), full.size() / 2, full.size() - 20}) {
        const LoadedImage loaded = LoadImageFile(dir.write("cut.png", full.left(length)), {});
        EXPECT_EQ(loaded.status, LoadStatus::Failed) << length;
        EXPECT_EQ(loaded.image, StockImage(StockPicture::Broken));
    }
    // 20000 x 20000 is above 2^28 pixels: refused from the header.
    const QByteArray huge = PngBuilder(20000, 20000, 8, 2).pixels({QByteArray(3, '\0')}).finish();
    const LoadedImage loaded = LoadImageFile(dir.write("huge.png", huge), {});
    EXPECT_EQ(loaded.status, LoadStatus::Failed);
    EXPECT_TRUE(loaded.reason.contains(QStringLiteral("pixels"))) << loaded.reason.toStdString();
    QByteArray badCrc = full;
    badCrc[45] = static_cast<char>(badCrc[45] ^ 0x55);
    EXPECT_EQ(LoadImageFile(dir.write("crc.png", badCrc), {}).status, LoadStatus::Failed);
}
