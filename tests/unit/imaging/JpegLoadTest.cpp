#include "core/imaging/ImageLoader.h"
#include "support/TempFolder.h"
#include "unit/imaging/ImagingFixtures.h"

#include <gtest/gtest.h>
#include <vector>

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

const QString kCutNote = QStringLiteral("ファイルが途中で切れています（読めた部分だけを表示しています）");

bool RowIs(const QImage& image, int y, QRgb colour) {
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixel(x, y) != colour) {
            return false;
        }
    }
    return true;
}

QByteArray RowBytes(const QImage& image, int y) {
    return QByteArray(reinterpret_cast<const char*>(image.constScanLine(y)), image.width() * 3);
}

// One scan of a JPEG: where its header starts, where its coded data starts and ends.
struct Scan {
    qsizetype header;
    qsizetype data;
    qsizetype end;
};

std::vector<Scan> Scans(const QByteArray& jpeg) {
    const auto byte = [&jpeg](qsizetype at) { return static_cast<unsigned char>(jpeg[at]); };
    std::vector<Scan> scans;
    qsizetype at = 2;
    while (at + 4 <= jpeg.size() && byte(at + 1) != 0xD9) {
        const qsizetype next = at + 2 + ((byte(at + 2) << 8) | byte(at + 3));
        if (byte(at + 1) != 0xDA) {
            at = next;
            continue;
        }
        // The coded data runs to the next marker that is neither a stuffed zero nor a restart.
        qsizetype end = next;
        while (end + 1 < jpeg.size() &&
               !(byte(end) == 0xFF && byte(end + 1) != 0 && (byte(end + 1) < 0xD0 || byte(end + 1) > 0xD7))) {
            ++end;
        }
        scans.push_back({at, next, end});
        at = end;
    }
    return scans;
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

TEST(JpegLoad, FileCutInsideTheRowsShowsWhatArrivedOnTheBackground) {
    TempFolder dir;
    const QImage picture = Quadrants(256, 192);
    const QRgb background = qRgb(255, 0, 255);
    for (const bool progressive : {false, true}) {
        const QByteArray full = Jpeg(picture, JpegColour::Rgb, progressive);
        // A baseline file cut in its one scan, a progressive one in its first pass: the rows
        // below the cut have no data at all.
        const std::vector<Scan> scans = Scans(full);
        ASSERT_GE(scans.size(), progressive ? 2u : 1u);
        const qsizetype cut = scans[0].data + (scans[0].end - scans[0].data) * 55 / 100;
        const QString path =
            dir.write(progressive ? "truncated-progressive.jpg" : "truncated-baseline.jpg", full.left(cut));
        const QString whole = dir.write("whole.jpg", full);
        for (int scale = 0; scale < 4; ++scale) {
            for (const bool accurate : {false, true}) {
                SCOPED_TRACE(testing::Message() << (progressive ? "progressive" : "baseline") << " scale "
                                                << scale << (accurate ? " accurate" : " fast"));
                LoadOptions options = Quality(accurate, scale);
                options.background = background;
                const LoadedImage loaded = LoadImageFile(path, options);
                ASSERT_EQ(loaded.status, LoadStatus::Decoded) << loaded.reason.toStdString();
                EXPECT_EQ(loaded.comment, kCutNote);
                const QImage complete = LoadImageFile(whole, options).image;
                ASSERT_EQ(loaded.image.size(), complete.size());
                // Whole rows of the background from the first one that is, none above.
                int first = 0;
                while (first < complete.height() && !RowIs(loaded.image, first, background)) {
                    ++first;
                }
                EXPECT_GT(first, 0);
                EXPECT_LT(first, complete.height());
                for (int y = first; y < complete.height(); ++y) {
                    ASSERT_TRUE(RowIs(loaded.image, y, background)) << "row " << y;
                }
                if (progressive) {
                    // Only the first, coarse pass arrived for the rows above, the top
                    // quadrants' centres well inside them.
                    EXPECT_GT(first, complete.height() * 3 / 8);
                    const std::vector<QRgb> got = QuadrantCentres(loaded.image);
                    for (int i = 0; i < 2; ++i) {
                        EXPECT_LE(ChannelDistance(got[i], kQuadrants[i]), 24) << i;
                    }
                } else {
                    // The rows above are those of the whole file; smooth upsampling mixes the
                    // last of them with the row below.
                    for (int y = 0; y + 1 < first; ++y) {
                        ASSERT_EQ(RowBytes(loaded.image, y), RowBytes(complete, y)) << "row " << y;
                    }
                }
            }
        }
        QImage scaled;
        EXPECT_TRUE(ScaleJPEGLoadFormFile(scaled, path, 1));
        EXPECT_EQ(scaled.size(), QSize(128, 96));
    }
}

TEST(JpegLoad, ProgressiveFileCutAfterItsFirstPassShowsTheWholePictureCoarse) {
    TempFolder dir;
    const QByteArray full = Jpeg(Quadrants(256, 192), JpegColour::Rgb, true);
    const std::vector<Scan> scans = Scans(full);
    ASSERT_GE(scans.size(), 2u);
    const QString path = dir.write("truncated-progressive-first-pass.jpg", full.left(scans[1].header));
    for (const bool accurate : {false, true}) {
        SCOPED_TRACE(accurate);
        LoadOptions options = Quality(accurate);
        options.background = qRgb(255, 0, 255);
        const LoadedImage loaded = LoadImageFile(path, options);
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << loaded.reason.toStdString();
        EXPECT_EQ(loaded.comment, kCutNote);
        EXPECT_FALSE(RowIs(loaded.image, loaded.image.height() - 1, options.background));
        ExpectQuadrants(loaded.image, 24);
    }
}

TEST(JpegLoad, FileWithoutItsEndMarkerShowsWholeAndSaysSo) {
    TempFolder dir;
    const QImage picture = Quadrants(256, 192);
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive);
        const QByteArray full = Jpeg(picture, JpegColour::Rgb, progressive, "sunset");
        ASSERT_TRUE(full.endsWith("\xFF\xD9"));
        const QString path = dir.write("no-eoi.jpg", full.left(full.size() - 2));
        const LoadedImage loaded = LoadImageFile(path, {});
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << loaded.reason.toStdString();
        EXPECT_EQ(loaded.image, LoadImageFile(dir.write("whole.jpg", full), {}).image);
        EXPECT_EQ(loaded.comment, QStringLiteral("sunset\r\n") + kCutNote);
    }
}

TEST(JpegLoad, FileCutBeforeItsFirstRowShowsTheFailurePicture) {
    TempFolder dir;
    for (const bool progressive : {false, true}) {
        const QByteArray full = Jpeg(Quadrants(256, 192), JpegColour::Rgb, progressive);
        const std::vector<Scan> scans = Scans(full);
        ASSERT_FALSE(scans.empty());
        struct Cut {
            const char* where;
            qsizetype length;
        };
        const Cut cuts[] = {
            {"in the frame header", FrameHeaderAt(full) + 6},
            {"in the tables", scans[0].header - 10},
            {"after the scan header", scans[0].data},
            {"in the first rows", scans[0].data + 8},
        };
        for (const Cut& cut : cuts) {
            SCOPED_TRACE(testing::Message() << progressive << " " << cut.where);
            const QString path = dir.write("cut.jpg", full.left(cut.length));
            for (int scale = 0; scale < 4; ++scale) {
                const LoadedImage loaded = LoadImageFile(path, Quality(scale % 2 == 0, scale));
                EXPECT_EQ(loaded.status, LoadStatus::Failed);
                EXPECT_EQ(loaded.image, StockImage(StockPicture::Broken));
            }
        }
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
