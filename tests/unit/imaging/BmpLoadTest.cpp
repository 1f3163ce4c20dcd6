#include "core/imaging/BmpDecoder.h"
#include "core/imaging/ImageLoader.h"
#include "support/TempFolder.h"
#include "unit/imaging/ImagingFixtures.h"

#include <gtest/gtest.h>

using namespace imaging_test;

namespace {

// A bitmap with 16- or 32-bit pixels and colour masks, written by hand: `headerSize` 40 puts the
// masks after the header (BI_BITFIELDS), 108 is a version 4 header that holds them and alpha.
QByteArray MaskedBmp(int width, int height, int bits, quint32 red, quint32 green, quint32 blue, quint32 alpha,
                     int headerSize, const std::vector<quint32>& pixels) {
    const int stride = ((width * bits + 31) / 32) * 4;
    const int masksAfter = headerSize == 40 ? 12 : 0;
    const int offset = 14 + headerSize + masksAfter;
    QByteArray out("BM");
    PutLittle32(out, offset + stride * std::abs(height));
    PutLittle32(out, 0);
    PutLittle32(out, offset);
    PutLittle32(out, headerSize);
    PutLittle32(out, width);
    PutLittle32(out, height);
    PutLittle16(out, 1);
    PutLittle16(out, bits);
    PutLittle32(out, 3); // BI_BITFIELDS
    PutLittle32(out, stride * std::abs(height));
    PutLittle32(out, 2835);
    PutLittle32(out, 2835);
    PutLittle32(out, 0);
    PutLittle32(out, 0);
    PutLittle32(out, red);
    PutLittle32(out, green);
    PutLittle32(out, blue);
    if (headerSize == 108) {
        PutLittle32(out, alpha);
        out.append("BGRs", 4);
        out.append(QByteArray(36 + 12, '\0'));
    }
    for (int y = 0; y < std::abs(height); ++y) {
        QByteArray row;
        for (int x = 0; x < width; ++x) {
            const quint32 p = pixels[std::size_t(y * width + x)];
            if (bits == 16) {
                PutLittle16(row, int(p));
            } else {
                PutLittle32(row, p);
            }
        }
        row.append(QByteArray(stride - row.size(), '\0'));
        out.append(row);
    }
    return out;
}

} // namespace

TEST(BmpLoad, EveryDepthFromTheEncoder) {
    TempFolder dir;
    const QImage picture = Quadrants(33, 17);
    struct Case {
        int bits;
        int bitDepth;
        int tolerance;
    };
    // 16-bit pixels lose the low three bits of each channel.
    const std::vector<Case> cases = {{1, 1, -1}, {4, 4, 0}, {8, 8, 0}, {16, 15, 7}, {24, 24, 0}, {32, 32, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const QString path = dir.write(QStringLiteral("d%1.bmp").arg(c.bits), EncodeBmp(picture, c.bits));
        const LoadedImage loaded = LoadImageFile(path, {});
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << loaded.reason.toStdString();
        EXPECT_EQ(loaded.bitDepth, c.bitDepth);
        EXPECT_EQ(loaded.image.format(), QImage::Format_RGB888);
        EXPECT_EQ(loaded.image.size(), picture.size());
        if (c.tolerance < 0) {
            // Two colours only: the quadrants fall into a dark and a light one.
            EXPECT_NE(loaded.image.pixel(4, 4), loaded.image.pixel(30, 15));
            continue;
        }
        const std::vector<QRgb> got = QuadrantCentres(loaded.image);
        const std::vector<QRgb> want = QuadrantCentres(picture);
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_LE(ChannelDistance(got[i], want[i]), c.tolerance) << i;
        }
        // Bottom-up rows: the top left stays top left.
        EXPECT_LE(ChannelDistance(loaded.image.pixel(0, 0), picture.pixel(0, 0)), c.tolerance);
    }
    EXPECT_EQ(LoadImageFile(dir.write("dib.DIB", EncodeBmp(picture, 24)), {}).bitDepth, 24);
}

TEST(BmpLoad, MasksTellFiveSixFiveFromFiveFiveFive) {
    TempFolder dir;
    // One red, one green, one blue, one white pixel in each layout; four-bit channels are
    // within 17 of the full value.
    const QByteArray rgb565 =
        MaskedBmp(4, 1, 16, 0xF800, 0x07E0, 0x001F, 0, 40, {0xF800, 0x07E0, 0x001F, 0xFFFF});
    const QByteArray rgb555 =
        MaskedBmp(4, 1, 16, 0x7C00, 0x03E0, 0x001F, 0, 40, {0x7C00, 0x03E0, 0x001F, 0x7FFF});
    const QByteArray odd =
        MaskedBmp(4, 1, 16, 0x0F00, 0x00F0, 0x000F, 0, 40, {0x0F00, 0x00F0, 0x000F, 0x0FFF});
    const std::vector<std::pair<QByteArray, int>> cases = {{rgb565, 16}, {rgb555, 15}, {odd, 0}};
    for (const auto& [bytes, depth] : cases) {
        const LoadedImage loaded = LoadImageFile(dir.write("m.bmp", bytes), {});
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << depth;
        EXPECT_EQ(loaded.bitDepth, depth);
        EXPECT_LE(ChannelDistance(loaded.image.pixel(0, 0), qRgb(255, 0, 0)), 17) << depth;
        EXPECT_LE(ChannelDistance(loaded.image.pixel(1, 0), qRgb(0, 255, 0)), 17) << depth;
        EXPECT_LE(ChannelDistance(loaded.image.pixel(2, 0), qRgb(0, 0, 255)), 17) << depth;
        EXPECT_LE(ChannelDistance(loaded.image.pixel(3, 0), qRgb(255, 255, 255)), 17) << depth;
    }
}

TEST(BmpLoad, TopDownRowsAndRealAlpha) {
    TempFolder dir;
    // Height -2: the first stored row is the top one.
    const QByteArray topDown =
        MaskedBmp(1, -2, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 108, {0xFFFF0000, 0xFF0000FF});
    const LoadedImage opaque = LoadImageFile(dir.write("top.bmp", topDown), {});
    ASSERT_EQ(opaque.status, LoadStatus::Decoded) << opaque.reason.toStdString();
    EXPECT_EQ(opaque.bitDepth, 32);
    // Every pixel opaque: no alpha to keep.
    EXPECT_EQ(opaque.image.format(), QImage::Format_RGB888);
    EXPECT_EQ(opaque.image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(opaque.image.pixel(0, 1), qRgb(0, 0, 255));
    const QByteArray translucent =
        MaskedBmp(1, 2, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 108, {0x8000FF00, 0xFFFF0000});
    const LoadedImage alpha = LoadImageFile(dir.write("alpha.bmp", translucent), {});
    ASSERT_EQ(alpha.status, LoadStatus::Decoded) << alpha.reason.toStdString();
    EXPECT_EQ(alpha.image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(alpha.image.pixel(0, 1)), 0x80);
    EXPECT_EQ(alpha.image.pixel(0, 0), qRgba(255, 0, 0, 255));
}

// A file that ends before its rows do shows the whole rows it holds, marked incomplete, so a few
// bytes that claim a huge picture cost no more memory than the rows they carry.
TEST(BmpLoad, AFileCutShortShowsTheRowsItHolds) {
    const std::vector<quint32> pixels{0xFF0000, 0xFF0000, 0x00FF00, 0x00FF00,
                                      0x0000FF, 0x0000FF, 0xFFFFFF, 0xFFFFFF};
    for (const int height : {4, -4}) {
        SCOPED_TRACE(height);
        QByteArray bytes = MaskedBmp(2, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, 40, pixels);
        bytes.chop(8 + 4); // one and a half rows of 8 bytes
        const DecodedPicture cut = DecodeBmp(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
        ASSERT_FALSE(cut.image.isNull()) << cut.error.toStdString();
        EXPECT_TRUE(cut.incomplete);
        EXPECT_EQ(cut.image.size(), QSize(2, 2));
        // The stored rows run upwards in a bottom-up file, downwards in a top-down one.
        EXPECT_EQ(cut.image.pixel(1, 0), height > 0 ? qRgb(0, 255, 0) : qRgb(255, 0, 0));
        EXPECT_EQ(cut.image.pixel(1, 1), height > 0 ? qRgb(255, 0, 0) : qRgb(0, 255, 0));

        const QByteArray whole = MaskedBmp(2, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0, 40, pixels);
        const DecodedPicture full =
            DecodeBmp(reinterpret_cast<const uchar*>(whole.constData()), whole.size());
        EXPECT_FALSE(full.incomplete);
        EXPECT_EQ(full.image.size(), QSize(2, 4));
    }

    // 96 bytes that claim 13 x 16,777,209 pixels at 4 bits and hold no row at all.
    const QByteArray claim = QByteArray::fromBase64("Qk2uAAAAAAAAAHYAAAAoAAAADQAAAAcAAP8BAAQAAAAAADQAABMLAAAQ"
                                                    "AAAABQoAAAB2AAAAAAAJAAEABAAbAAAAAAEAKiVXfMAAAA"
                                                    "AAAAAAAAHu53zAAHUAulQAAAAA");
    const DecodedPicture none = DecodeBmp(reinterpret_cast<const uchar*>(claim.constData()), claim.size());
    EXPECT_TRUE(none.image.isNull());
    EXPECT_EQ(none.error, QStringLiteral("no pixel data"));
}
