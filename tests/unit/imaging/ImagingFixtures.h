#pragma once

#include "core/convert/ImageEncoders.h"

#include <QByteArray>
#include <QImage>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <vector>

// Pictures and byte helpers shared by the imaging tests.
namespace imaging_test {

// Four flat quadrants: red top left, green top right, blue bottom left, white bottom right.
// Flat areas survive JPEG compression, so their centres can be compared within a tolerance.
inline QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            const bool bottom = y >= height / 2;
            QRgb c = qRgb(220, 20, 20);
            if (right && !bottom) {
                c = qRgb(20, 200, 40);
            } else if (!right && bottom) {
                c = qRgb(30, 40, 210);
            } else if (right && bottom) {
                c = qRgb(250, 250, 250);
            }
            image.setPixel(x, y, c);
        }
    }
    return image;
}

inline int ChannelDistance(QRgb a, QRgb b) {
    return std::max(
        {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// The grey a JPEG or PNG encoder makes of a colour (ITU-R BT.601 luma), as an RGB grey.
inline QRgb Luma(QRgb c) {
    const int y = (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c) + 500) / 1000;
    return qRgb(y, y, y);
}

// The colours at the quadrant centres, in the order of Quadrants().
inline std::vector<QRgb> QuadrantCentres(const QImage& image) {
    const int w = image.width();
    const int h = image.height();
    return {image.pixel(w / 4, h / 4), image.pixel(3 * w / 4, h / 4), image.pixel(w / 4, 3 * h / 4),
            image.pixel(3 * w / 4, 3 * h / 4)};
}

inline QByteArray Jpeg(const QImage& image, JpegColour colour = JpegColour::Rgb, bool progressive = false,
                       const QByteArray& comment = {}) {
    JpegEncodeOptions options;
    options.quality = 95;
    options.colour = colour;
    options.progressive = progressive;
    options.comment = comment;
    return EncodeJpeg(image, options);
}

inline void PutBig16(QByteArray& out, int value) {
    out.append(static_cast<char>((value >> 8) & 0xFF));
    out.append(static_cast<char>(value & 0xFF));
}

inline void PutLittle16(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

inline void PutLittle32(QByteArray& out, qint64 value) {
    for (int i = 0; i < 4; ++i) {
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

// Offset of the first JPEG frame header (SOF0..SOF2), or -1.
inline qsizetype FrameHeaderAt(const QByteArray& jpeg) {
    qsizetype at = 2;
    while (at + 4 <= jpeg.size()) {
        const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
        if (marker >= 0xC0 && marker <= 0xC2) {
            return at;
        }
        const int length =
            (static_cast<unsigned char>(jpeg[at + 2]) << 8) | static_cast<unsigned char>(jpeg[at + 3]);
        at += 2 + length;
    }
    return -1;
}

// The JPEG with the frame header claiming another size.
inline QByteArray WithJpegSize(QByteArray jpeg, int width, int height) {
    const qsizetype sof = FrameHeaderAt(jpeg);
    if (sof < 0) {
        return {};
    }
    jpeg[sof + 5] = static_cast<char>(height >> 8);
    jpeg[sof + 6] = static_cast<char>(height & 0xFF);
    jpeg[sof + 7] = static_cast<char>(width >> 8);
    jpeg[sof + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

} // namespace imaging_test
