#pragma once

#include "core/imaging/DecodedPicture.h"

#include <QRgb>
#include <QtGlobal>

class PixelBufferPool;

struct JpegDecodeOptions {
    bool accurate = false;            // slow exact IDCT and smooth chroma upsampling
    int scale = 0;                    // 0 full, 1 half, 2 quarter, 3 eighth
    QRgb missingFill = qRgb(0, 0, 0); // the rows a file cut short does not deliver
};

// Decodes a JPEG held in memory with libjpeg-turbo, straight into the picture's rows: RGB888
// for colour and greyscale files, CMYK and YCCK files converted to RGB. The COM segments become
// the comment. A file that ends early gives the rows that arrived, the rest in `missingFill`
// (a progressive file cut after its first pass gives the whole picture, coarse), and is marked
// incomplete; so is a whole file that lacks only its end marker. A file that ends before its
// first row, a picture one row high, and pictures of more than 2^28 pixels fail. With a pool,
// the rows go into a buffer it hands out.
DecodedPicture DecodeJpeg(const uchar* data, qint64 size, const JpegDecodeOptions& options,
                          PixelBufferPool* pool = nullptr);
