#pragma once

#include <QImage>
#include <cstdlib>

// Reads the first and the last row of a decoded picture, so that a buffer smaller than the
// picture claims shows up under AddressSanitizer, and stops on a picture whose rows do not fit
// its own size.
inline void TouchPicture(const QImage& image) {
    if (image.isNull()) {
        return;
    }
    if (image.width() <= 0 || image.height() <= 0 ||
        image.bytesPerLine() * image.height() > image.sizeInBytes()) {
        std::abort();
    }
    volatile unsigned sum = 0;
    for (const int y : {0, image.height() - 1}) {
        const uchar* row = image.constScanLine(y);
        for (qsizetype x = 0; x < image.bytesPerLine(); ++x) {
            sum = sum + row[x];
        }
    }
}
