#include "core/imaging/GifDecoder.h"
#include "core/imaging/ImageLoader.h"
#include "support/TempFolder.h"
#include "unit/imaging/ImagingFixtures.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

using namespace imaging_test;

namespace {

const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kGreen = qRgb(0, 255, 0);
// RawGif's image descriptor follows the header and the four-colour map.
constexpr qsizetype kFirstImage = 13 + 12;

QImage Filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

GifHandle Decode(const QByteArray& bytes) {
    return DecodeGif(reinterpret_cast<const uchar*>(bytes.constData()), bytes.size());
}

// The screen's background colour: the global colour map's entry that the screen descriptor names.
QRgb Background(const QByteArray& gif) {
    const int index = static_cast<unsigned char>(gif[11]);
    const int at = 13 + 3 * index;
    return qRgb(static_cast<unsigned char>(gif[at]), static_cast<unsigned char>(gif[at + 1]),
                static_cast<unsigned char>(gif[at + 2]));
}

int WriteBytes(GifFileType* gif, const GifByteType* bytes, int count) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), count);
    return count;
}

// A one-frame GIF with a four-colour map (black, red, green, blue) whose image is `indices`
// (rows in display order) at `left`, `top`; interlaced frames are stored in GIF pass order.
QByteArray RawGif(int screenWidth, int screenHeight, int left, int top, int width, int height,
                  const std::vector<GifPixelType>& indices, bool interlace) {
    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteBytes, &error);
    GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifPutScreenDesc(gif, std::max(screenWidth, width), std::max(screenHeight, height), 2, 0, map);
    EGifPutImageDesc(gif, 0, 0, width, height, interlace, nullptr);
    std::vector<int> order;
    if (interlace) {
        for (const auto& [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
            for (int y = start; y < height; y += step) {
                order.push_back(y);
            }
        }
    } else {
        for (int y = 0; y < height; ++y) {
            order.push_back(y);
        }
    }
    for (const int y : order) {
        std::vector<GifPixelType> row(indices.begin() + y * width, indices.begin() + (y + 1) * width);
        EGifPutLine(gif, row.data(), width);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    // giflib writes only frames inside the screen; the screen and the position are set afterwards.
    const int fields[4] = {screenWidth, screenHeight, left, top};
    const qsizetype at[4] = {6, 8, kFirstImage + 1, kFirstImage + 3};
    for (int i = 0; i < 4; ++i) {
        out[at[i]] = static_cast<char>(fields[i] & 0xFF);
        out[at[i] + 1] = static_cast<char>(fields[i] >> 8);
    }
    return out;
}

// Offsets of the image descriptors of a GIF, found by walking its blocks.
std::vector<qsizetype> ImageOffsets(const QByteArray& gif) {
    auto byte = [&gif](qsizetype at) { return static_cast<unsigned char>(gif[at]); };
    auto skipBlocks = [&](qsizetype at) {
        while (at < gif.size() && byte(at) != 0) {
            at += 1 + byte(at);
        }
        return at + 1;
    };
    std::vector<qsizetype> offsets;
    qsizetype at = 13;
    if (byte(10) & 0x80) {
        at += 3 * (qsizetype(1) << ((byte(10) & 7) + 1));
    }
    while (at < gif.size() && byte(at) != 0x3B) {
        if (byte(at) == 0x21) {
            at = skipBlocks(at + 2);
            continue;
        }
        offsets.push_back(at);
        const int packed = byte(at + 9);
        at += 10;
        if (packed & 0x80) {
            at += 3 * (qsizetype(1) << ((packed & 7) + 1));
        }
        at = skipBlocks(at + 1);
    }
    return offsets;
}

// Three frames on a 6 x 6 screen: red everywhere, blue 2 x 2 at (1, 1) with `disposal`, then
// green 1 x 1 at (5, 5), which leaves the blue area to the disposal.
QByteArray ThreeFrames(int disposal, bool transparentCorner) {
    QImage first = Filled(6, 6, kRed);
    if (transparentCorner) {
        first.setPixel(5, 0, qRgba(0, 0, 0, 0));
    }
    return EncodeGif(6, 6,
                     {{first, 0, 0, 10, 1},
                      {Filled(2, 2, kBlue), 1, 1, 20, disposal},
                      {Filled(1, 1, kGreen), 5, 5, 30, 1}});
}

} // namespace

TEST(GifLoad, DisposalMethodsShapeTheNextFrame) {
    struct Case {
        int disposal;
        QRgb afterwards; // at (1, 1) in the third frame; 0 stands for the background
    };
    for (const Case& c : {Case{0, kBlue}, Case{1, kBlue}, Case{2, 0}, Case{3, kRed}}) {
        SCOPED_TRACE(c.disposal);
        const QByteArray bytes = ThreeFrames(c.disposal, false);
        const GifHandle gif = Decode(bytes);
        ASSERT_NE(gif, nullptr);
        ASSERT_EQ(gif->frameCount(), 3);
        const QImage& third = gif->frame(2).image;
        EXPECT_EQ(third.format(), QImage::Format_RGB888);
        EXPECT_EQ(third.size(), QSize(6, 6));
        EXPECT_EQ(gif->frame(1).image.pixel(2, 2), kBlue);
        EXPECT_EQ(third.pixel(1, 1), c.afterwards == 0 ? Background(bytes) : c.afterwards);
        EXPECT_EQ(third.pixel(2, 2), third.pixel(1, 1));
        EXPECT_EQ(third.pixel(5, 5), kGreen);
        EXPECT_EQ(third.pixel(0, 0), kRed);
    }
}

TEST(GifLoad, TransparencyGivesArgbAndDisposalToBackgroundClears) {
    const GifHandle gif = Decode(ThreeFrames(2, true));
    ASSERT_NE(gif, nullptr);
    const QImage& first = gif->frame(0).image;
    EXPECT_EQ(first.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(first.pixel(5, 0)), 0);
    EXPECT_EQ(first.pixel(0, 0), qRgba(255, 0, 0, 255));
    const QImage& third = gif->frame(2).image;
    EXPECT_EQ(qAlpha(third.pixel(1, 1)), 0);
    EXPECT_EQ(third.pixel(3, 3), qRgba(255, 0, 0, 255));
    // A transparent pixel of a later frame lets the earlier picture show through.
    QImage holed = Filled(6, 6, kBlue);
    holed.setPixel(2, 2, qRgba(0, 0, 0, 0));
    const GifHandle over =
        Decode(EncodeGif(6, 6, {{Filled(6, 6, kGreen), 0, 0, 10, 1}, {holed, 0, 0, 10, 1}}));
    ASSERT_NE(over, nullptr);
    EXPECT_EQ(over->frame(1).image.pixel(2, 2), qRgba(0, 255, 0, 255));
    EXPECT_EQ(over->frame(1).image.pixel(3, 3), qRgba(0, 0, 255, 255));
}

TEST(GifLoad, DelaysInMillisecondsWithTheBrowserMinimum) {
    const std::vector<std::pair<int, int>> delays = {{0, 100}, {1, 100}, {2, 20}, {7, 70}, {50, 500}};
    std::vector<GifFrameSpec> frames;
    for (std::size_t i = 0; i < delays.size(); ++i) {
        frames.push_back({Filled(2, 2, qRgb(int(i) * 40, 0, 0)), 0, 0, delays[i].first, 1});
    }
    const GifHandle gif = Decode(EncodeGif(2, 2, frames));
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(gif->frameCount(), int(delays.size()));
    for (std::size_t i = 0; i < delays.size(); ++i) {
        EXPECT_EQ(gif->frame(int(i)).delayMs, delays[i].second) << i;
    }
}

TEST(GifLoad, InterlacedAndClippedFrames) {
    // Ten rows, each its own colour index, stored in interlace order.
    std::vector<GifPixelType> rows;
    for (int y = 0; y < 10; ++y) {
        rows.insert(rows.end(), 3, GifPixelType(y % 4));
    }
    const QRgb colours[4] = {qRgb(0, 0, 0), kRed, kGreen, kBlue};
    for (const bool interlace : {false, true}) {
        const GifHandle gif = Decode(RawGif(3, 10, 0, 0, 3, 10, rows, interlace));
        ASSERT_NE(gif, nullptr) << interlace;
        for (int y = 0; y < 10; ++y) {
            EXPECT_EQ(gif->frame(0).image.pixel(1, y), colours[y % 4]) << interlace << " row " << y;
        }
    }
    // A 4 x 4 frame at (2, 2) on a 4 x 4 screen: only its top-left quarter shows.
    const GifHandle clipped = Decode(RawGif(4, 4, 2, 2, 4, 4, std::vector<GifPixelType>(16, 3), false));
    ASSERT_NE(clipped, nullptr);
    const QImage& image = clipped->frame(0).image;
    EXPECT_EQ(image.size(), QSize(4, 4));
    EXPECT_EQ(image.pixel(3, 3), kBlue);
    EXPECT_EQ(image.pixel(2, 2), kBlue);
    EXPECT_NE(image.pixel(1, 1), kBlue);
    // Entirely off the screen: drawn nowhere, still a frame.
    const GifHandle outside = Decode(RawGif(4, 4, 100, 100, 2, 2, std::vector<GifPixelType>(4, 1), false));
    ASSERT_NE(outside, nullptr);
    EXPECT_EQ(outside->frameCount(), 1);
}

TEST(GifLoad, CommentAndBitsPerPixel) {
    const QByteArray bytes =
        EncodeGif(4, 4, {{Quadrants(4, 4), 0, 0, 10, 1}}, QByteArray("\x93\xfa\x96\x7b\x8c\xea"));
    const GifHandle gif = Decode(bytes);
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->comment(), QStringLiteral("日本語"));
    // The global colour map's size in bits sits in the low three bits of byte 10.
    EXPECT_EQ(gif->bitsPerPixel(), (static_cast<unsigned char>(bytes[10]) & 7) + 1);
    EXPECT_EQ(Decode(RawGif(2, 2, 0, 0, 2, 2, {0, 1, 2, 3}, false))->bitsPerPixel(), 2);
}

TEST(GifLoad, LoaderStepsThroughFramesAndWraps) {
    TempFolder dir;
    const QString path = dir.write("anim.gif", ThreeFrames(1, false));
    struct Case {
        int asked;
        int shown;
        const char* comment;
    };
    for (const Case& c :
         {Case{0, 0, "1/3"}, Case{2, 2, "3/3"}, Case{-1, 2, "3/3"}, Case{3, 0, "1/3"}, Case{99, 0, "1/3"}}) {
        const LoadedImage loaded = LoadImageFile(path, {}, {}, c.asked);
        ASSERT_EQ(loaded.status, LoadStatus::Decoded) << c.asked;
        EXPECT_EQ(loaded.gifFrame, c.shown);
        EXPECT_EQ(loaded.comment, QStringLiteral("アニメーションセル数 = ") + QString::fromLatin1(c.comment));
        ASSERT_NE(loaded.gif, nullptr);
        EXPECT_EQ(loaded.image, loaded.gif->frame(c.shown).image);
        EXPECT_EQ(loaded.bitDepth, loaded.gif->bitsPerPixel());
    }
    // With the open animation passed in, the file is not read again.
    const LoadedImage first = LoadImageFile(path, {});
    dir.write("anim.gif", QByteArray("not a gif any more"));
    const LoadedImage next = LoadImageFile(path, {}, first.gif, 1);
    ASSERT_EQ(next.status, LoadStatus::Decoded);
    EXPECT_EQ(next.gif, first.gif);
    EXPECT_EQ(next.image.pixel(2, 2), kBlue);
    EXPECT_EQ(LoadImageFile(path, {}).status, LoadStatus::Failed);
}

TEST(GifLoad, TruncatedFilesKeepCompleteFrames) {
    const QByteArray full = ThreeFrames(1, false);
    // Cutting into the third image's data leaves two frames.
    const std::vector<qsizetype> images = ImageOffsets(full);
    ASSERT_EQ(images.size(), 3u);
    const GifHandle two = Decode(full.left(images[2] + 12));
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->frameCount(), 2);
    const GifHandle justTrailer = Decode(full.left(full.size() - 1));
    ASSERT_NE(justTrailer, nullptr);
    EXPECT_EQ(justTrailer->frameCount(), 3);
    // Cut inside the first frame: nothing complete.
    const QByteArray one = EncodeGif(40, 40, {{Quadrants(40, 40), 0, 0, 10, 1}});
    QString error;
    EXPECT_EQ(DecodeGif(reinterpret_cast<const uchar*>(one.constData()), one.size() - 20, &error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    TempFolder dir;
    const LoadedImage loaded = LoadImageFile(dir.write("cut.gif", one.left(one.size() - 20)), {});
    EXPECT_EQ(loaded.status, LoadStatus::Failed);
    EXPECT_EQ(loaded.gif, nullptr);
}

TEST(GifLoad, HugeScreensAndTooManyFramesFail) {
    const QByteArray huge = RawGif(65535, 65535, 0, 0, 2, 2, {0, 1, 2, 3}, false);
    QString error;
    EXPECT_EQ(DecodeGif(reinterpret_cast<const uchar*>(huge.constData()), huge.size(), &error), nullptr);
    EXPECT_EQ(error, QStringLiteral("too many pixels"));
    // 300 frames of 1000 x 1000 exceed 2^28 pixels in all; the decoder stops before composing them.
    QByteArray many = RawGif(1000, 1000, 0, 0, 1, 1, {1}, false);
    const QByteArray frame = many.mid(kFirstImage, many.size() - 1 - kFirstImage);
    many.chop(1);
    for (int i = 0; i < 300; ++i) {
        many.append(frame);
    }
    many.append(';');
    EXPECT_EQ(DecodeGif(reinterpret_cast<const uchar*>(many.constData()), many.size(), &error), nullptr);
    EXPECT_EQ(error, QStringLiteral("too many pixels"));
}
