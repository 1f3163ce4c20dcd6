#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

// Encoders for the conversions and for making pictures (the demo folder, test fixtures).
// Pure functions; each returns the file's bytes, or an empty array with `error` filled.

// Cmyk stores the inks as they are, without an Adobe marker; CmykAdobeInverted stores them
// inverted (0 = full ink) with an Adobe APP14 marker, as Photoshop writes them. Grey is the
// BT.601 luma of the picture. Alpha is laid over white for every kind.
enum class JpegColour { Rgb, Grey, Cmyk, CmykAdobeInverted };

struct JpegEncodeOptions {
    int quality = 90;
    bool progressive = false;
    JpegColour colour = JpegColour::Rgb;
    QByteArray comment; // written as one COM segment when not empty
    QByteArray app1;    // an APP1 segment body (for instance Exif) written before the frame
};
QByteArray EncodeJpeg(const QImage& image, const JpegEncodeOptions& options, QString* error = nullptr);

// Palette8 keeps the picture's own colours when there are at most 256, else a median-cut
// palette with dithering; alpha below 128 becomes the one transparent entry. The kinds without
// alpha lay it over white.
enum class PngKind { Palette8, Rgb24, Rgba32, Grey8, Grey16, Rgb48 };

struct PngEncodeOptions {
    PngKind kind = PngKind::Rgb24;
    int compression = 6; // 0..9
    QString commentKey;  // a tEXt chunk (iTXt when the text is not Latin-1) is written when the
    QString commentText; // text is not empty; the key is "Comment" when left empty
};
QByteArray EncodePng(const QImage& image, const PngEncodeOptions& options, QString* error = nullptr);

struct GifFrameSpec {
    QImage image; // drawn at `x`, `y` on the logical screen; fully transparent pixels stay
    int x = 0;
    int y = 0;
    int delayCs = 10; // hundredths of a second
    int disposal = 1; // 0 none, 1 keep, 2 restore background, 3 restore previous
};
QByteArray EncodeGif(int width, int height, const std::vector<GifFrameSpec>& frames,
                     const QByteArray& comment = {}, QString* error = nullptr);

// Windows bitmap, bottom-up, with 1, 4, 8 (palette from the picture's colours, at most
// 2, 16, 256), 16 (5-5-5), 24 or 32 bits per pixel.
QByteArray EncodeBmp(const QImage& image, int bitsPerPixel, QString* error = nullptr);
