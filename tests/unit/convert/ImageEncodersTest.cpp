#include "core/convert/ImageEncoders.h"

#include <QBuffer>
#include <QImageReader>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <vector>

// Every encoder's output is read back by a decoder that is not ours (Qt's image readers, or
// libjpeg for raw CMYK samples) and by walking the file's own structure.

namespace {

// Vertical stripes of `colours`, each `stripe` pixels wide.
QImage Stripes(int width, int height, const std::vector<QRgb>& colours, int stripe,
               QImage::Format format = QImage::Format_ARGB32) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, colours[std::size_t(x / stripe) % colours.size()]);
        }
    }
    return image;
}

// A smooth picture with thousands of colours.
QImage Gradient(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y,
                           qRgb(x * 255 / (width - 1), y * 255 / (height - 1), 255 - x * 200 / (width - 1)));
        }
    }
    return image;
}

// Grey as JPEG's luma.
int Luma(QRgb c) {
    return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c) + 500) / 1000;
}

int ChannelDistance(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// Mean difference per channel of the 4x4 block averages: dithering trades exact pixels for
// right averages, so a quantised picture is judged as seen from a step back.
double BlockError(const QImage& a, const QImage& b) {
    double sum = 0;
    int blocks = 0;
    for (int by = 0; by + 4 <= a.height(); by += 4) {
        for (int bx = 0; bx + 4 <= a.width(); bx += 4) {
            std::array<int, 3> difference{};
            for (int y = by; y < by + 4; ++y) {
                for (int x = bx; x < bx + 4; ++x) {
                    const QRgb p = a.pixel(x, y);
                    const QRgb q = b.pixel(x, y);
                    difference[0] += qRed(p) - qRed(q);
                    difference[1] += qGreen(p) - qGreen(q);
                    difference[2] += qBlue(p) - qBlue(q);
                }
            }
            sum += (std::abs(difference[0]) + std::abs(difference[1]) + std::abs(difference[2])) / 16.0;
            ++blocks;
        }
    }
    return sum / (3.0 * blocks);
}

QImage Decode(const QByteArray& bytes, const char* format) {
    return QImage::fromData(bytes, format);
}

struct Segment {
    int marker = 0;
    qsizetype offset = 0; // of the 0xFF byte
    QByteArray body;
};

// The marker segments from SOI up to and including SOS.
std::vector<Segment> JpegSegments(const QByteArray& bytes) {
    std::vector<Segment> segments;
    if (bytes.size() < 2 || uchar(bytes[0]) != 0xff || uchar(bytes[1]) != 0xd8) {
        return segments;
    }
    segments.push_back({0xd8, 0, {}});
    qsizetype at = 2;
    while (at + 4 <= bytes.size() && uchar(bytes[at]) == 0xff) {
        const int marker = uchar(bytes[at + 1]);
        const int length = qFromBigEndian<quint16>(bytes.constData() + at + 2);
        segments.push_back({marker, at, bytes.mid(at + 4, length - 2)});
        if (marker == 0xda) {
            break;
        }
        at += 2 + length;
    }
    return segments;
}

const Segment* FindSegment(const std::vector<Segment>& segments, int marker) {
    for (const Segment& segment : segments) {
        if (segment.marker == marker) {
            return &segment;
        }
    }
    return nullptr;
}

struct Chunk {
    QByteArray type;
    QByteArray data;
};

std::vector<Chunk> PngChunks(const QByteArray& bytes) {
    std::vector<Chunk> chunks;
    qsizetype at = 8;
    while (at + 12 <= bytes.size()) {
        const auto length = qsizetype(qFromBigEndian<quint32>(bytes.constData() + at));
        chunks.push_back({bytes.mid(at + 4, 4), bytes.mid(at + 8, length)});
        at += 12 + length;
    }
    return chunks;
}

const Chunk* FindChunk(const std::vector<Chunk>& chunks, const char* type) {
    for (const Chunk& chunk : chunks) {
        if (chunk.type == type) {
            return &chunk;
        }
    }
    return nullptr;
}

// The raw samples libjpeg decodes, without any colour conversion, for checking CMYK inks.
struct RawJpeg {
    int components = 0;
    int width = 0;
    bool adobe = false;
    std::vector<uchar> samples;
};

struct RawErrors {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void RawErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<RawErrors*>(cinfo->err)->jump, 1);
}

bool DecodeRaw(const QByteArray& bytes, RawJpeg& raw) {
    jpeg_decompress_struct cinfo{};
    RawErrors errors;
    cinfo.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = RawErrorExit;
    if (setjmp(errors.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 (unsigned long)bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = cinfo.jpeg_color_space;
    jpeg_start_decompress(&cinfo);
    raw.components = cinfo.output_components;
    raw.width = int(cinfo.output_width);
    raw.adobe = cinfo.saw_Adobe_marker;
    raw.samples.resize(std::size_t(cinfo.output_width * cinfo.output_height) * std::size_t(raw.components));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = raw.samples.data() +
                       std::size_t(cinfo.output_scanline) * cinfo.output_width * std::size_t(raw.components);
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

const std::vector<QRgb> kStripeColours{qRgb(220, 40, 40), qRgb(40, 200, 60), qRgb(30, 60, 210),
                                       qRgb(250, 240, 200), qRgb(20, 20, 20)};

// ---------------------------------------------------------------------------------------------

struct JpegCase {
    const char* name;
    JpegColour colour;
    bool progressive;
    int frameMarker;
    int components;
    bool jfif;
    bool adobe;
};

void PrintTo(const JpegCase& c, std::ostream* out) {
    *out << c.name;
}

class JpegKinds : public testing::TestWithParam<JpegCase> {};

TEST_P(JpegKinds, WritesTheFrameAndMarkersOfItsKind) {
    const JpegCase& c = GetParam();
    const QImage source = Stripes(80, 48, kStripeColours, 16);
    QString error;
    JpegEncodeOptions options;
    options.quality = 95;
    options.colour = c.colour;
    options.progressive = c.progressive;
    const QByteArray bytes = EncodeJpeg(source, options, &error);
    ASSERT_FALSE(bytes.isEmpty()) << error.toStdString();

    const std::vector<Segment> segments = JpegSegments(bytes);
    const Segment* frame = FindSegment(segments, c.frameMarker);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(FindSegment(segments, c.progressive ? 0xc0 : 0xc2), nullptr);
    EXPECT_EQ(int(uchar(frame->body[5])), c.components);
    EXPECT_EQ(FindSegment(segments, 0xe0) != nullptr, c.jfif);
    const Segment* adobe = FindSegment(segments, 0xee);
    ASSERT_EQ(adobe != nullptr, c.adobe);
    if (adobe != nullptr) {
        EXPECT_TRUE(adobe->body.startsWith("Adobe"));
        EXPECT_EQ(int(uchar(adobe->body[11])), 0); // transform: none
    }
    EXPECT_TRUE(bytes.endsWith("\xff\xd9"));

    const QImage decoded = Decode(bytes, "JPEG");
    ASSERT_EQ(decoded.size(), source.size());
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, JpegKinds,
    testing::Values(JpegCase{"Baseline", JpegColour::Rgb, false, 0xc0, 3, true, false},
                    JpegCase{"Progressive", JpegColour::Rgb, true, 0xc2, 3, true, false},
                    JpegCase{"Grey", JpegColour::Grey, false, 0xc0, 1, true, false},
                    JpegCase{"GreyProgressive", JpegColour::Grey, true, 0xc2, 1, true, false},
                    JpegCase{"Cmyk", JpegColour::Cmyk, false, 0xc0, 4, false, false},
                    JpegCase{"CmykAdobeInverted", JpegColour::CmykAdobeInverted, true, 0xc2, 4, false, true}),
    [](const testing::TestParamInfo<JpegCase>& info) { return std::string(info.param.name); });

TEST(ImageEncoders, JpegKeepsColoursAndDropsAlphaOverWhite) {
    QImage source = Stripes(80, 32, kStripeColours, 16);
    // A fully transparent stripe stands where the dark one was.
    for (int y = 0; y < 32; ++y) {
        for (int x = 64; x < 80; ++x) {
            source.setPixel(x, y, qRgba(0, 0, 0, 0));
        }
    }
    JpegEncodeOptions options;
    options.quality = 95;
    for (JpegColour colour : {JpegColour::Rgb, JpegColour::CmykAdobeInverted}) {
        options.colour = colour;
        const QImage decoded = Decode(EncodeJpeg(source, options), "JPEG");
        ASSERT_FALSE(decoded.isNull());
        for (int stripe = 0; stripe < 4; ++stripe) {
            EXPECT_LE(
                ChannelDistance(decoded.pixel(stripe * 16 + 8, 16), kStripeColours[std::size_t(stripe)]), 10)
                << "stripe " << stripe;
        }
        EXPECT_LE(ChannelDistance(decoded.pixel(72, 16), qRgb(255, 255, 255)), 6);
    }
    options.colour = JpegColour::Grey;
    const QImage grey = Decode(EncodeJpeg(source, options), "JPEG");
    ASSERT_FALSE(grey.isNull());
    EXPECT_TRUE(grey.isGrayscale());
    EXPECT_NEAR(Luma(grey.pixel(8, 16)), Luma(kStripeColours[0]), 6);
    EXPECT_NEAR(Luma(grey.pixel(40, 16)), Luma(kStripeColours[2]), 6);
}

TEST(ImageEncoders, CmykInksAreStraightOrInvertedAsTheAdobeMarkerSays) {
    // Red needs no cyan and no black; full magenta and yellow.
    const QImage red = Stripes(16, 16, {qRgb(255, 0, 0)}, 16);
    JpegEncodeOptions options;
    options.quality = 100;
    struct Case {
        JpegColour colour;
        bool adobe;
        std::array<int, 4> inks;
    };
    for (const Case& c : {Case{JpegColour::Cmyk, false, {0, 255, 255, 0}},
                          Case{JpegColour::CmykAdobeInverted, true, {255, 0, 0, 255}}}) {
        options.colour = c.colour;
        RawJpeg raw;
        ASSERT_TRUE(DecodeRaw(EncodeJpeg(red, options), raw));
        ASSERT_EQ(raw.components, 4);
        EXPECT_EQ(raw.adobe, c.adobe);
        for (std::size_t i = 0; i < 4; ++i) {
            EXPECT_NEAR(raw.samples[8 * 16 * 4 + 8 * 4 + i], c.inks[i], 3) << "ink " << i;
        }
    }
}

TEST(ImageEncoders, JpegCarriesApp1BeforeTheFrameAndTheCommentAsIs) {
    JpegEncodeOptions options;
    options.comment = QStringLiteral("デモのコメント：桜の写真").toUtf8();
    options.app1 = QByteArray("Exif\0\0MM\0*", 10) + QByteArray(300, 'x');
    const QByteArray bytes = EncodeJpeg(Stripes(32, 32, kStripeColours, 8), options);
    const std::vector<Segment> segments = JpegSegments(bytes);
    const Segment* app1 = FindSegment(segments, 0xe1);
    const Segment* comment = FindSegment(segments, 0xfe);
    const Segment* frame = FindSegment(segments, 0xc0);
    ASSERT_NE(app1, nullptr);
    ASSERT_NE(comment, nullptr);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(app1->body, options.app1);
    EXPECT_EQ(comment->body, options.comment);
    EXPECT_LT(app1->offset, frame->offset);
    EXPECT_LT(comment->offset, frame->offset);
    EXPECT_EQ(segments[1].marker, 0xe0); // JFIF stays first
    EXPECT_FALSE(Decode(bytes, "JPEG").isNull());
}

// ---------------------------------------------------------------------------------------------

struct PngCase {
    const char* name;
    PngKind kind;
    int bitDepth;
    int colourType;
    bool alpha;
};

void PrintTo(const PngCase& c, std::ostream* out) {
    *out << c.name;
}

class PngKinds : public testing::TestWithParam<PngCase> {};

TEST_P(PngKinds, HeaderAndPixelsMatchTheKind) {
    const PngCase& c = GetParam();
    QImage source = Stripes(37, 11, kStripeColours, 8);
    for (int x = 0; x < 37; ++x) {
        source.setPixel(x, 0, qRgba(0, 0, 0, 0));
    }
    PngEncodeOptions options;
    options.kind = c.kind;
    QString error;
    const QByteArray bytes = EncodePng(source, options, &error);
    ASSERT_FALSE(bytes.isEmpty()) << error.toStdString();
    ASSERT_TRUE(bytes.startsWith("\x89PNG\r\n\x1a\n"));
    const std::vector<Chunk> chunks = PngChunks(bytes);
    ASSERT_FALSE(chunks.empty());
    ASSERT_EQ(chunks.front().type, "IHDR");
    EXPECT_EQ(qFromBigEndian<quint32>(chunks.front().data.constData()), 37u);
    EXPECT_EQ(qFromBigEndian<quint32>(chunks.front().data.constData() + 4), 11u);
    EXPECT_EQ(int(uchar(chunks.front().data[8])), c.bitDepth);
    EXPECT_EQ(int(uchar(chunks.front().data[9])), c.colourType);
    EXPECT_EQ(chunks.back().type, "IEND");

    const QImage decoded = Decode(bytes, "PNG").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(decoded.size(), source.size());
    for (int x = 0; x < 37; ++x) {
        const QRgb want = source.pixel(x, 5);
        if (c.kind == PngKind::Grey8 || c.kind == PngKind::Grey16) {
            EXPECT_NEAR(Luma(decoded.pixel(x, 5)), Luma(want), 1) << "x " << x;
        } else {
            EXPECT_EQ(decoded.pixel(x, 5), want) << "x " << x;
        }
        // The clear top row keeps its alpha, or lies over white.
        EXPECT_EQ(decoded.pixel(x, 0), c.alpha ? qRgba(0, 0, 0, 0) : qRgb(255, 255, 255)) << "x " << x;
    }
}

INSTANTIATE_TEST_SUITE_P(Encoders, PngKinds,
                         testing::Values(PngCase{"Palette8", PngKind::Palette8, 8, 3, true},
                                         PngCase{"Rgb24", PngKind::Rgb24, 8, 2, false},
                                         PngCase{"Rgba32", PngKind::Rgba32, 8, 6, true},
                                         PngCase{"Grey8", PngKind::Grey8, 8, 0, false},
                                         PngCase{"Grey16", PngKind::Grey16, 16, 0, false},
                                         PngCase{"Rgb48", PngKind::Rgb48, 16, 2, false}),
                         [](const testing::TestParamInfo<PngCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ImageEncoders, SixteenBitPngKeepsEverySampleBit) {
    QImage source(4, 1, QImage::Format_RGBX64);
    const std::vector<QRgba64> samples{QRgba64::fromRgba64(0x1234, 0xabcd, 0x0102, 0xffff),
                                       QRgba64::fromRgba64(0xfffe, 0x0001, 0x8000, 0xffff),
                                       QRgba64::fromRgba64(0x4321, 0x4321, 0x4321, 0xffff),
                                       QRgba64::fromRgba64(0, 0, 0, 0xffff)};
    for (int x = 0; x < 4; ++x) {
        source.setPixelColor(x, 0, QColor::fromRgba64(samples[std::size_t(x)]));
    }
    PngEncodeOptions options;
    options.kind = PngKind::Rgb48;
    const QImage rgb = Decode(EncodePng(source, options), "PNG").convertToFormat(QImage::Format_RGBX64);
    ASSERT_EQ(rgb.width(), 4);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(rgb.pixelColor(x, 0).rgba64(), samples[std::size_t(x)]) << "x " << x;
    }
    options.kind = PngKind::Grey16;
    const QImage grey = Decode(EncodePng(source, options), "PNG");
    ASSERT_EQ(grey.format(), QImage::Format_Grayscale16);
    EXPECT_EQ(reinterpret_cast<const quint16*>(grey.constScanLine(0))[2], 0x4321);
}

TEST(ImageEncoders, PalettePngOfManyColoursStaysCloseWithinTheLimit) {
    const QImage source = Gradient(200, 90);
    PngEncodeOptions options;
    options.kind = PngKind::Palette8;
    const QByteArray bytes = EncodePng(source, options);
    const std::vector<Chunk> chunks = PngChunks(bytes);
    const Chunk* palette = FindChunk(chunks, "PLTE");
    ASSERT_NE(palette, nullptr);
    EXPECT_LE(palette->data.size(), 256 * 3);
    EXPECT_GT(palette->data.size(), 128 * 3);
    EXPECT_EQ(FindChunk(chunks, "tRNS"), nullptr);
    const QImage decoded = Decode(bytes, "PNG");
    ASSERT_EQ(decoded.size(), source.size());
    EXPECT_LT(BlockError(decoded, source), 1.5);
}

TEST(ImageEncoders, PngTextIsTextForLatin1AndInternationalOtherwise) {
    struct Case {
        QString text;
        const char* chunk;
        QByteArray stored;
    };
    const QString japanese = QStringLiteral("夕暮れの海");
    for (const Case& c : {Case{QStringLiteral("caf\u00e9 1"), "tEXt", QByteArray("Comment\0caf\xe9 1", 14)},
                          Case{japanese, "iTXt", QByteArray("Comment\0\0\0\0\0", 12) + japanese.toUtf8()}}) {
        PngEncodeOptions options;
        options.commentKey = QStringLiteral("Comment");
        options.commentText = c.text;
        const QByteArray bytes = EncodePng(Stripes(8, 8, kStripeColours, 2), options);
        const std::vector<Chunk> chunks = PngChunks(bytes);
        const Chunk* chunk = FindChunk(chunks, c.chunk);
        ASSERT_NE(chunk, nullptr) << c.chunk;
        EXPECT_EQ(chunk->data, c.stored);
        EXPECT_EQ(Decode(bytes, "PNG").text(QStringLiteral("Comment")), c.text);
    }
}

// ---------------------------------------------------------------------------------------------

QImage Ball(int size, QRgb colour) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const int r = size / 2;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if ((x - r) * (x - r) + (y - r) * (y - r) < r * r) {
                image.setPixel(x, y, colour);
            }
        }
    }
    return image;
}

TEST(ImageEncoders, AnimatedGifHasItsFramesDelaysPositionsAndLoop) {
    const QImage background = Stripes(60, 40, kStripeColours, 12);
    std::vector<GifFrameSpec> frames{{background, 0, 0, 10, 1},
                                     {Ball(10, qRgb(255, 0, 255)), 5, 20, 25, 1},
                                     {Ball(10, qRgb(0, 255, 255)), 40, 4, 70, 2}};
    const QByteArray bytes = EncodeGif(60, 40, frames, "made by the tests");
    ASSERT_TRUE(bytes.startsWith("GIF89a"));
    EXPECT_TRUE(bytes.contains("NETSCAPE2.0"));
    EXPECT_TRUE(bytes.contains(QByteArray("\x21\xfe\x11made by the tests\0", 21)));

    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer, "GIF");
    EXPECT_EQ(reader.imageCount(), 3);
    EXPECT_EQ(reader.loopCount(), -1);
    std::vector<QImage> shown;
    std::vector<int> delays;
    for (int i = 0; i < 3; ++i) {
        shown.push_back(reader.read().convertToFormat(QImage::Format_ARGB32));
        delays.push_back(reader.nextImageDelay());
        ASSERT_EQ(shown.back().size(), QSize(60, 40)) << "frame " << i;
    }
    EXPECT_EQ(delays, (std::vector<int>{100, 250, 700}));
    EXPECT_EQ(shown[0].pixel(30, 30), kStripeColours[2]);
    // The ball is drawn at its place; its clear corners and everything else keep frame 1.
    EXPECT_EQ(shown[1].pixel(10, 25), qRgb(255, 0, 255));
    EXPECT_EQ(shown[1].pixel(5, 20), background.pixel(5, 20));
    EXPECT_EQ(shown[1].pixel(30, 30), kStripeColours[2]);
    EXPECT_EQ(shown[2].pixel(45, 9), qRgb(0, 255, 255));
    EXPECT_EQ(shown[2].pixel(10, 25), qRgb(255, 0, 255));
}

TEST(ImageEncoders, GifOfOneFrameHasNoLoopAndQuantisesManyColours) {
    const QImage source = Gradient(120, 50);
    const QByteArray bytes = EncodeGif(120, 50, {{source, 0, 0, 0, 0}});
    EXPECT_FALSE(bytes.contains("NETSCAPE2.0"));
    EXPECT_EQ(uchar(bytes[10]) & 0x87, 0x87); // a global colour map of 256 entries
    const QImage decoded = Decode(bytes, "GIF");
    ASSERT_EQ(decoded.size(), source.size());
    EXPECT_LT(BlockError(decoded, source), 1.5);
}

// ---------------------------------------------------------------------------------------------

struct BmpCase {
    int bits;
    int colours; // of the source picture
    int tolerance;
};

void PrintTo(const BmpCase& c, std::ostream* out) {
    *out << c.bits << " bits";
}

class BmpDepths : public testing::TestWithParam<BmpCase> {};

TEST_P(BmpDepths, HeaderRowsAndColoursMatchTheDepth) {
    const BmpCase& c = GetParam();
    std::vector<QRgb> colours(kStripeColours.begin(), kStripeColours.begin() + std::min<int>(c.colours, 5));
    for (int i = int(colours.size()); i < c.colours; ++i) {
        colours.push_back(qRgb(i * 13 % 256, 255 - i * 7 % 256, i * 29 % 256));
    }
    // Odd width, so every depth needs row padding; stripes of one pixel, so packed bits show.
    QImage source = Stripes(13, 7, colours, 1);
    source.setPixel(0, 0, colours.back()); // the top row differs from the bottom one
    QString error;
    const QByteArray bytes = EncodeBmp(source, c.bits, &error);
    ASSERT_FALSE(bytes.isEmpty()) << error.toStdString();
    const auto field32 = [&](int at) { return qFromLittleEndian<qint32>(bytes.constData() + at); };
    const auto field16 = [&](int at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const int stride = (13 * c.bits + 31) / 32 * 4;
    const int paletteSize = c.bits <= 8 ? std::min(c.colours, 1 << c.bits) : 0;
    ASSERT_TRUE(bytes.startsWith("BM"));
    EXPECT_EQ(field32(2), bytes.size());
    EXPECT_EQ(field32(10), 54 + paletteSize * 4);
    EXPECT_EQ(field32(14), 40);
    EXPECT_EQ(field32(18), 13);
    EXPECT_EQ(field32(22), 7); // positive: bottom-up
    EXPECT_EQ(field16(26), 1);
    EXPECT_EQ(field16(28), c.bits);
    EXPECT_EQ(field32(30), 0);
    EXPECT_EQ(field32(34), stride * 7);
    EXPECT_EQ(field32(46), paletteSize);
    EXPECT_EQ(bytes.size(), 54 + paletteSize * 4 + stride * 7);

    const QImage decoded = Decode(bytes, "BMP");
    ASSERT_EQ(decoded.size(), source.size());
    for (int y : {0, 6}) {
        for (int x = 0; x < 13; ++x) {
            EXPECT_LE(ChannelDistance(decoded.pixel(x, y), source.pixel(x, y)), c.tolerance) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Encoders, BmpDepths,
                         testing::Values(BmpCase{1, 2, 0}, BmpCase{4, 13, 0}, BmpCase{8, 13, 0},
                                         BmpCase{16, 13, 7}, BmpCase{24, 13, 0}, BmpCase{32, 13, 0}),
                         [](const testing::TestParamInfo<BmpCase>& info) {
                             return std::to_string(info.param.bits) + "bit";
                         });

TEST(ImageEncoders, BmpPaletteOfTooManyColoursIsQuantised) {
    const QImage source = Gradient(101, 40);
    for (int bits : {1, 4, 8}) {
        const QByteArray bytes = EncodeBmp(source, bits);
        EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 46), 1 << bits);
        const QImage decoded = Decode(bytes, "BMP");
        ASSERT_EQ(decoded.size(), source.size()) << bits;
        EXPECT_LT(BlockError(decoded, source), bits == 8 ? 1.5 : bits == 4 ? 10.0 : 45.0) << bits;
    }
}

// ---------------------------------------------------------------------------------------------

TEST(ImageEncoders, RefusesWhatCannotBeWritten) {
    const QImage picture = Stripes(8, 8, kStripeColours, 2);
    JpegEncodeOptions badQuality;
    badQuality.quality = 0;
    JpegEncodeOptions longComment;
    longComment.comment = QByteArray(70000, 'c');
    PngEncodeOptions badLevel;
    badLevel.compression = 10;
    PngEncodeOptions badKey;
    badKey.commentKey = QStringLiteral("コメント");
    badKey.commentText = QStringLiteral("x");
    const std::vector<std::pair<const char*, std::function<QByteArray(QString*)>>> cases{
        {"jpeg of nothing", [](QString* e) { return EncodeJpeg(QImage(), {}, e); }},
        {"jpeg quality 0", [&](QString* e) { return EncodeJpeg(picture, badQuality, e); }},
        {"jpeg comment too long", [&](QString* e) { return EncodeJpeg(picture, longComment, e); }},
        {"jpeg too wide",
         [](QString* e) { return EncodeJpeg(QImage(70000, 1, QImage::Format_Grayscale8), {}, e); }},
        {"png of nothing", [](QString* e) { return EncodePng(QImage(), {}, e); }},
        {"png level 10", [&](QString* e) { return EncodePng(picture, badLevel, e); }},
        {"png keyword not Latin-1", [&](QString* e) { return EncodePng(picture, badKey, e); }},
        {"gif without frames", [](QString* e) { return EncodeGif(8, 8, {}, {}, e); }},
        {"gif frame outside",
         [&](QString* e) {
             return EncodeGif(8, 8, {{picture, 1, 0, 10, 1}}, {}, e);
         }},
        {"gif disposal 5",
         [&](QString* e) {
             return EncodeGif(8, 8, {{picture, 0, 0, 10, 5}}, {}, e);
         }},
        {"bmp of 2 bits", [&](QString* e) { return EncodeBmp(picture, 2, e); }},
        {"bmp of nothing", [](QString* e) { return EncodeBmp(QImage(), 24, e); }},
    };
    for (const auto& [name, encode] : cases) {
        QString error;
        EXPECT_TRUE(encode(&error).isEmpty()) << name;
        EXPECT_FALSE(error.isEmpty()) << name;
    }
}

} // namespace
