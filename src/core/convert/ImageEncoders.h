#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <vector>

// Encoders for the conversions and for making pictures (the demo folder, test fixtures).
// Pure functions; each returns the file's bytes, or an empty array with `error` filled.

enum class JpegColour { Rgb, Grey, Cmyk, CmykAdobeInverted };

struct JpegEncodeOptions {
    int quality = 90;
    bool progressive = false;
    JpegColour colour = JpegColour::Rgb;
    QByteArray comment; // written as one COM segment when not empty
    QByteArray app1;    // an APP1 segment body (for instance Exif) written before the frame
};
QByteArray EncodeJpeg(const QImage& image, const JpegEncodeOptions& options, QString* error = nullptr);

enum class PngKind { Palette8, Rgb24, Rgba32, Grey8, Grey16, Rgb48 };

struct PngEncodeOptions {
    PngKind kind = PngKind::Rgb24;
    int compression = 6;  // 0..9
    QString commentKey;   // a tEXt chunk is written when the text is not empty
    QString commentText;
};
QByteArray EncodePng(const QImage& image, const PngEncodeOptions& options, QString* error = nullptr);

struct GifFrameSpec {
    QImage image;      // drawn at `x`, `y` on the logical screen; fully transparent pixels stay
    int x = 0;
    int y = 0;
    int delayCs = 10;  // hundredths of a second
    int disposal = 1;  // 0 none, 1 keep, 2 restore background, 3 restore previous
};
QByteArray EncodeGif(int width, int height, const std::vector<GifFrameSpec>& frames, const QByteArray& comment = {},
                     QString* error = nullptr);

// Windows bitmap, bottom-up, with 1, 4, 8 (palette from the picture's colours, at most
// 2, 16, 256), 16 (5-5-5), 24 or 32 bits per pixel.
QByteArray EncodeBmp(const QImage& image, int bitsPerPixel, QString* error = nullptr);
