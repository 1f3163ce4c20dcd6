#include "core/imaging/ImageLoader.h"
#include "support/TempFolder.h"
#include "unit/imaging/ImagingFixtures.h"

#include <gtest/gtest.h>

using namespace imaging_test;

namespace {

const std::vector<QRgb> kQuadrants = QuadrantCentres(Quadrants(64, 48));

void ExpectQuadrants(const QImage& image, int tolerance) {
    const std::vector<QRgb> got = QuadrantCentres(image);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_LE(ChannelDistance(got[i], kQuadrants[i]), tolerance)
            << "quadrant " << i << ": " << std::hex << got[i] << " vs " << kQuadrants[i];
    }
}

LoadOptions Quality(bool accurate, int scale = 0) {
    LoadOptions options;
    options.jpegQuality = accurate;
    options.jpegScale = scale;
    return options;
}

} // namespace

TEST(JpegLoad, EveryColourKindDecodesToRgbWithItsDepth) {
    TempFolder dir;
    const QImage picture = Quadrants(64, 48);
    struct Case {
        const char* name;
        JpegColour colour;
        bool progressive;
        int bitDepth;
        int tolerance;
    };
    const std::vector<Case> cases = {
        {"rgb", JpegColour::Rgb, false, 24, 12},
        {"progressive", JpegColour::Rgb, true, 24, 12},
        {"cmyk", JpegColour::Cmyk, false, 254, 16},
        {"adobe-cmyk", JpegColour::CmykAdobeInverted, false, 254, 16},
        {"adobe-cmyk-progressive", JpegColour::CmykAdobeInverted, true, 254, 16},
    };
    for (const Case& c : cases) {
        const QString path = dir.write(QString::fromLatin1(c.name) + QStringLiteral(".jpg"),
                                       Jpeg(picture, c.colour, c.progressive));
        for (const bool accurate : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (accurate ? " accurate" : " fast"));
            const LoadedImage loaded = LoadImageFile(path, Quality(accurate));
            ASSERT_EQ(loaded.status, LoadStatus::Decoded) << loaded.reason.toStdString();
            EXPECT_EQ(loaded.image.format(), QImage::Format_RGB888);
            EXPECT_EQ(loaded.image.size(), QSize(64, 48));
            EXPECT_EQ(loaded.bitDepth, c.bitDepth);
            EXPECT_EQ(loaded.gif, nullptr);
            ExpectQuadrants(loaded.image, c.tolerance);
        }
    }
}

TEST(JpegLoad, GreyFileDecodesAsEqualChannels) {
    TempFolder dir;
    const QString path = dir.write("grey.jpg", Jpeg(Quadrants(64, 48), JpegColour::Grey));
    const LoadedImage loaded = LoadImageFile(path, {});
    ASSERT_EQ(loaded.status, LoadStatus::Decoded);
    EXPECT_EQ(loaded.bitDepth, 8);
    EXPECT_EQ(loaded.image.format(), QImage::Format_RGB888);
    const std::vector<QRgb> expected = kQuadrants;
    const std::vector<QRgb> got = QuadrantCentres(loaded.image);
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(qRed(got[i]), qGreen(got[i]));
        EXPECT_EQ(qGreen(got[i]), qBlue(got[i]));
        EXPECT_NEAR(qRed(got[i]), qRed(Luma(expected[i])), 6) << i;
    }
}

TEST(JpegLoad, CommentSegmentsInUtf8AndCp932) {
    TempFolder dir;
    const QImage picture = Quadrants(32, 32);
    const QString utf8 =
        dir.write("u.jpg", Jpeg(picture, JpegColour::Rgb, false, QStringLiteral("夕焼けの海").toUtf8()));
    EXPECT_EQ(LoadImageFile(utf8, {}).comment, QStringLiteral("夕焼けの海"));
    // "日本語" in Shift_JIS with the terminating zero Windows programs write.
    const QString sjis =
        dir.write("s.jpg", Jpeg(picture, JpegColour::Rgb, false, QByteArray("\x93\xfa\x96\x7b\x8c\xea", 7)));
    EXPECT_EQ(LoadImageFile(sjis, {}).comment, QStringLiteral("日本語"));
    const QString none = dir.write("n.jpg", Jpeg(picture));
    EXPECT_EQ(LoadImageFile(none, {}).comment, QString());
}

TEST(JpegLoad, ScalesHalveTheSizeRoundingUp) {
    TempFolder dir;
    const QString even = dir.write("even.jpg", Jpeg(Quadrants(640, 480)));
    const QString odd = dir.write("odd.jpg", Jpeg(Quadrants(100, 75), JpegColour::Rgb, true));
    const QSize evenSizes[] = {{640, 480}, {320, 240}, {160, 120}, {80, 60}};
    const QSize oddSizes[] = {{100, 75}, {50, 38}, {25, 19}, {13, 10}};
    for (int scale = 0; scale < 4; ++scale) {
        for (const bool accurate : {false, true}) {
            SCOPED_TRACE(scale);
            const LoadedImage e = LoadImageFile(even, Quality(accurate, scale));
            ASSERT_EQ(e.status, LoadStatus::Decoded);
            EXPECT_EQ(e.image.size(), evenSizes[scale]);
            ExpectQuadrants(e.image, 14);
            EXPECT_EQ(LoadImageFile(odd, Quality(accurate, scale)).image.size(), oddSizes[scale]);
            QImage image;
            EXPECT_TRUE(ScaleJPEGLoadFormFile(image, even, scale));
            EXPECT_EQ(image.size(), evenSizes[scale]);
        }
    }
}

TEST(JpegLoad, OneRowHighResultFails) {
    TempFolder dir;
    const QString path = dir.write("flat.jpg", Jpeg(Quadrants(64, 8)));
    EXPECT_EQ(LoadImageFile(path, Quality(false, 2)).image.size(), QSize(16, 2));
    const LoadedImage eighth = LoadImageFile(path, Quality(false, 3));
    EXPECT_EQ(eighth.status, LoadStatus::Failed);
    QImage image;
    EXPECT_FALSE(ScaleJPEGLoadFormFile(image, path, 3));
    EXPECT_TRUE(image.isNull());
    EXPECT_TRUE(ScaleJPEGLoadFormFile(image, path, 2));
    const QString row = dir.write("row.jpg", Jpeg(Quadrants(64, 1)));
    EXPECT_EQ(LoadImageFile(row, {}).status, LoadStatus::Failed);
}

TEST(JpegLoad, TruncatedFilesShowTheFailurePicture) {
    TempFolder dir;
    const QImage picture = Quadrants(256, 192);
    for (const bool progressive : {false, true}) {
        const QByteArray full = Jpeg(picture, JpegColour::Rgb, progressive);
        for (const double part : {0.2, 0.6, 0.95}) {
            const QString path = dir.write("cut.jpg", full.left(qsizetype(full.size() * part)));
            for (const bool accurate : {false, true}) {
                const LoadedImage loaded = LoadImageFile(path, Quality(accurate));
                EXPECT_EQ(loaded.status, LoadStatus::Failed) << progressive << " " << part;
                EXPECT_EQ(loaded.image, StockImage(StockPicture::Broken));
            }
        }
        // libjpeg reads ahead for the end marker while decoding the last rows, so a file that
        // lacks only the marker cannot be told from a cut one: both fail.
        ASSERT_TRUE(full.endsWith("\xFF\xD9"));
        const QString noEnd = dir.write("noend.jpg", full.left(full.size() - 2));
        EXPECT_EQ(LoadImageFile(noEnd, {}).status, LoadStatus::Failed) << progressive;
    }
}

TEST(JpegLoad, HugeDimensionsAreRefused) {
    TempFolder dir;
    const QByteArray small = Jpeg(Quadrants(16, 16));
    // 60000 x 60000 is 3.6e9 pixels: refused from the header, at any scale that stays above 2^28.
    const QString huge = dir.write("huge.jpg", WithJpegSize(small, 60000, 60000));
    for (int scale = 0; scale < 2; ++scale) {
        const LoadedImage loaded = LoadImageFile(huge, Quality(false, scale));
        EXPECT_EQ(loaded.status, LoadStatus::Failed);
        EXPECT_TRUE(loaded.reason.contains(QStringLiteral("size"))) << loaded.reason.toStdString();
    }
    // A progressive file must hold all its coefficients; libjpeg refuses rather than allocate them.
    const QString prog = dir.write(
        "huge-progressive.jpg", WithJpegSize(Jpeg(Quadrants(16, 16), JpegColour::Rgb, true), 60000, 60000));
    EXPECT_EQ(LoadImageFile(prog, Quality(false, 3)).status, LoadStatus::Failed);
}
