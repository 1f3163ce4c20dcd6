#include "core/imaging/ImageLoader.h"

#include "core/common/NativePath.h"
#include "core/filelist/HeaderProbe.h"
#include "core/imaging/FileBytes.h"
#include "core/imaging/PixelBufferPool.h"
#include "support/TempFolder.h"
#include "unit/imaging/ImagingFixtures.h"

#include <QSet>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using namespace imaging_test;

namespace {

void ExpectBroken(const LoadedImage& loaded, const char* what) {
    EXPECT_EQ(loaded.status, LoadStatus::Failed) << what;
    EXPECT_EQ(loaded.image, StockImage(StockPicture::Broken)) << what;
    EXPECT_FALSE(loaded.reason.isEmpty()) << what;
    EXPECT_EQ(loaded.gif, nullptr) << what;
}

QImage Filled6(QRgb colour) {
    QImage image(6, 6, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// One valid file of every built-in format.
std::vector<std::pair<QString, QByteArray>> ValidFiles() {
    const QImage picture = Quadrants(48, 32);
    PngEncodeOptions png;
    png.kind = PngKind::Palette8;
    png.commentText = QStringLiteral("text");
    return {
        {QStringLiteral("a.jpg"), Jpeg(picture, JpegColour::Rgb, false, "note")},
        {QStringLiteral("b.jpg"), Jpeg(picture, JpegColour::CmykAdobeInverted, true)},
        {QStringLiteral("c.png"), EncodePng(picture, png)},
        {QStringLiteral("d.gif"),
         EncodeGif(48, 32, {{picture, 0, 0, 5, 2}, {Quadrants(10, 10), 3, 3, 5, 3}}, "c")},
        {QStringLiteral("e.bmp"), EncodeBmp(picture, 8)},
    };
}

} // namespace

TEST(ImageLoader, MissingFileShowsTheMissingPicture) {
    TempFolder dir;
    const LoadedImage loaded = LoadImageFile(dir.file("gone.jpg"), {});
    EXPECT_EQ(loaded.status, LoadStatus::Missing);
    EXPECT_EQ(loaded.image, StockImage(StockPicture::Missing));
    EXPECT_EQ(loaded.bitDepth, 0);
    EXPECT_TRUE(loaded.comment.isEmpty());
    EXPECT_TRUE(loaded.reason.isEmpty());
    EXPECT_EQ(loaded.gif, nullptr);
}

TEST(ImageLoader, EmptyGarbageAndMislabelledFilesFail) {
    TempFolder dir;
    for (const char* ext : {".jpg", ".png", ".gif", ".bmp"}) {
        const QString e = QString::fromLatin1(ext);
        ExpectBroken(LoadImageFile(dir.write(QStringLiteral("empty") + e, {}), {}), ext);
        ExpectBroken(LoadImageFile(dir.write(QStringLiteral("junk") + e, QByteArray(5000, '\x5a')), {}), ext);
        const LoadedImage folder = LoadImageFile(dir.folder(QStringLiteral("folder") + e), {});
        EXPECT_EQ(folder.status, LoadStatus::Unreadable) << ext;
        EXPECT_EQ(folder.image, StockImage(StockPicture::Broken)) << ext;
        EXPECT_EQ(folder.reason, QStringLiteral("通常のファイルではありません")) << ext;
    }
    const QString png = dir.write("png-named-jpg.jpg", EncodePng(Quadrants(8, 8), {}));
    ExpectBroken(LoadImageFile(png, {}), "png named jpg");
    EXPECT_EQ(TrueExtension(png), QStringLiteral(".png"));
}

TEST(ImageLoader, SwitchedOffFormatsAndOtherExtensionsGoToThePlugIns) {
    TempFolder dir;
    const QImage picture = Quadrants(8, 8);
    struct Case {
        const char* name;
        QByteArray bytes;
        bool LoadOptions::*flag;
    };
    const std::vector<Case> cases = {
        {"a.jpg", Jpeg(picture), &LoadOptions::jpeg},
        {"b.png", EncodePng(picture, {}), &LoadOptions::png},
        {"c.gif", EncodeGif(8, 8, {{picture}}), &LoadOptions::gif},
        {"d.bmp", EncodeBmp(picture, 24), &LoadOptions::bmp},
    };
    for (const Case& c : cases) {
        const QString path = dir.write(QString::fromLatin1(c.name), c.bytes);
        EXPECT_EQ(LoadImageFile(path, {}).status, LoadStatus::Decoded) << c.name;
        LoadOptions off;
        off.*(c.flag) = false;
        const LoadedImage loaded = LoadImageFile(path, off);
        ExpectBroken(loaded, c.name);
        EXPECT_EQ(loaded.reason, QStringLiteral("no plug-in"));
    }
    ExpectBroken(LoadImageFile(dir.write("e.tif", Jpeg(picture)), {}), "tif");
    ExpectBroken(LoadImageFile(dir.write("noext", Jpeg(picture)), {}), "no extension");
}

TEST(ImageLoader, AudioAndPagesShowTheirStockPictures) {
    TempFolder dir;
    for (const char* name : {"a.mp3", "b.WMA", "c.mid", "d.wav"}) {
        const LoadedImage loaded = LoadImageFile(dir.write(QString::fromLatin1(name), "x"), {});
        EXPECT_EQ(loaded.status, LoadStatus::Stock) << name;
        EXPECT_EQ(loaded.image, StockImage(StockPicture::Audio)) << name;
    }
    for (const char* name : {"a.htm", "b.HTML", "c.mht", "d.txt"}) {
        const LoadedImage loaded = LoadImageFile(dir.write(QString::fromLatin1(name), "x"), {});
        EXPECT_EQ(loaded.status, LoadStatus::Stock) << name;
        EXPECT_EQ(loaded.image, StockImage(StockPicture::Html)) << name;
    }
}

TEST(ImageLoader, StockPicturesAreDistinctAndStable) {
    QSet<qint64> keys;
    std::vector<QImage> all;
    for (const StockPicture which :
         {StockPicture::Missing, StockPicture::Broken, StockPicture::Audio, StockPicture::Html}) {
        const QImage image = StockImage(which);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.size(), QSize(160, 120));
        EXPECT_EQ(image.format(), QImage::Format_RGB888);
        EXPECT_EQ(image.cacheKey(), StockImage(which).cacheKey()) << "drawn once";
        for (const QImage& other : all) {
            EXPECT_NE(image, other);
        }
        all.push_back(image);
    }
}

TEST(ImageLoader, PlainDecodesForTheConversions) {
    TempFolder dir;
    QImage image;
    ASSERT_TRUE(LoadFromFile2Bmp(dir.write("a.jpg", Jpeg(Quadrants(64, 48))), true, image));
    EXPECT_EQ(image.size(), QSize(64, 48));
    const QByteArray gif = EncodeGif(6, 6, {{Filled6(qRgb(255, 0, 0))}, {Filled6(qRgb(0, 0, 255))}});
    ASSERT_TRUE(LoadFromFile2Bmp(dir.write("b.gif", gif), false, image));
    EXPECT_EQ(image.pixel(3, 3), qRgb(255, 0, 0)) << "the first frame";
    ASSERT_TRUE(LoadFromFile2Bmp(dir.write("c.png", EncodePng(Quadrants(5, 5), {})), false, image));
    EXPECT_EQ(image.size(), QSize(5, 5));
    EXPECT_FALSE(LoadFromFile2Bmp(dir.file("missing.jpg"), false, image));
    EXPECT_TRUE(image.isNull());
    ASSERT_TRUE(LoadFromFile2Bmp(dir.file("c.png"), false, image));
    EXPECT_FALSE(LoadFromFile2Bmp(dir.write("d.jpg", "broken"), false, image));
    EXPECT_TRUE(image.isNull());
    EXPECT_FALSE(LoadFromFile2Bmp(dir.write("e.txt", "text"), false, image));
    EXPECT_FALSE(ScaleJPEGLoadFormFile(image, dir.file("c.png"), 0));
    EXPECT_FALSE(ScaleJPEGLoadFormFile(image, dir.file("missing.jpg"), 1));
}

TEST(ImageLoader, NamesThatAreNotUtf8) {
    TempFolder dir;
    const QString path = PathFromNative(NativePath(dir.path()) + QByteArray("/\x93\xfa\x96\x7b.jpg"));
    QFile out;
    ASSERT_TRUE(OpenFile(out, path, QIODevice::WriteOnly));
    out.write(Jpeg(Quadrants(16, 16)));
    out.close();
    EXPECT_EQ(LoadImageFile(path, {}).status, LoadStatus::Decoded);
    // The temporary folder cannot remove a name Qt cannot spell.
    EXPECT_EQ(::unlink(NativePath(path).constData()), 0);
}

// Cut and damaged copies of valid files must decode or fail, never crash or hang.
TEST(ImageLoader, SurvivesCutAndDamagedFiles) {
    TempFolder dir;
    std::mt19937 random(20240611);
    for (const auto& [name, bytes] : ValidFiles()) {
        const QString path = dir.file(name);
        ASSERT_EQ(LoadImageFile(dir.write(name, bytes), {}).status, LoadStatus::Decoded)
            << name.toStdString();
        for (int i = 1; i < 24; ++i) {
            dir.write(name, bytes.left(bytes.size() * i / 24));
            const LoadedImage loaded = LoadImageFile(path, {});
            EXPECT_TRUE(loaded.status == LoadStatus::Decoded || loaded.status == LoadStatus::Failed);
        }
        for (int i = 0; i < 60; ++i) {
            QByteArray damaged = bytes;
            for (int flips = 0; flips < 1 + i % 4; ++flips) {
                const auto at = static_cast<qsizetype>(random() % static_cast<unsigned>(damaged.size()));
                damaged[at] = static_cast<char>(random() & 0xFF);
            }
            dir.write(name, damaged);
            LoadOptions options;
            options.jpegScale = i % 4;
            options.jpegQuality = i % 2 == 0;
            const LoadedImage loaded = LoadImageFile(path, options);
            EXPECT_TRUE(loaded.status == LoadStatus::Decoded || loaded.status == LoadStatus::Failed);
            EXPECT_FALSE(loaded.image.isNull());
        }
    }
}

TEST(ImageLoader, PoolReusesOnlyReleasedBuffers) {
    TempFolder dir;
    const QString red = dir.write("red.jpg", Jpeg(Quadrants(64, 48)));
    const QString grey = dir.write("grey.jpg", Jpeg(Quadrants(64, 48), JpegColour::Grey));
    const QString small = dir.write("small.jpg", Jpeg(Quadrants(32, 48)));
    PixelBufferPool pool;
    const QImage plain = LoadImageFile(red, {}).image;
    const uchar* firstPixels = nullptr;
    {
        const LoadedImage first = LoadImageFile(red, {}, {}, 0, &pool);
        ASSERT_EQ(first.status, LoadStatus::Decoded);
        EXPECT_EQ(first.image, plain);
        firstPixels = first.image.constBits();
        // Still shown: the next picture gets its own buffer and the first stays intact.
        const LoadedImage second = LoadImageFile(grey, {}, {}, 0, &pool);
        EXPECT_NE(second.image.constBits(), firstPixels);
        EXPECT_EQ(first.image, plain);
    }
    // Both released: a picture of the same size lands in a kept buffer, with its own pixels.
    const LoadedImage third = LoadImageFile(grey, {}, {}, 0, &pool);
    EXPECT_EQ(third.image, LoadImageFile(grey, {}).image);
    const LoadedImage fourth = LoadImageFile(red, {}, {}, 0, &pool);
    EXPECT_EQ(fourth.image, plain);
    EXPECT_TRUE(third.image.constBits() == firstPixels || fourth.image.constBits() == firstPixels);
    EXPECT_NE(third.image.cacheKey(), fourth.image.cacheKey());
    // Another size is never handed a kept buffer.
    EXPECT_EQ(LoadImageFile(small, {}, {}, 0, &pool).image.size(), QSize(32, 48));
}

namespace {

// Another program cuts the file short while a decoder holds its bytes (a copy over it, a card
// pulled out): the bytes already handed over stay readable. Bytes mapped from the file would
// raise SIGBUS here and end the whole program.
TEST(FileBytesTest, BytesStayWholeWhenTheFileIsCutShortMeanwhile) {
    TempFolder folder;
    const QByteArray contents(3 * 4096 + 17, 'p');
    const QString path = folder.write("cut.jpg", contents);
    FileBytes file;
    ASSERT_TRUE(file.open(path));
    ASSERT_EQ(::truncate(NativePath(path).constData(), 0), 0);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(file.data()), file.size()), contents);

    EXPECT_FALSE(file.open(folder.path()));
    EXPECT_EQ(file.failure(), FileBytes::Failure::NotAFile);
    EXPECT_EQ(file.size(), 0);
    EXPECT_FALSE(file.open(folder.file("missing.jpg")));
    EXPECT_EQ(file.failure(), FileBytes::Failure::NotAFile);
}

} // namespace
