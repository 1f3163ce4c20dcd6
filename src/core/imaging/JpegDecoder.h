#pragma once

#include "core/imaging/DecodedPicture.h"

#include <QtGlobal>

class PixelBufferPool;

struct JpegDecodeOptions {
    bool accurate = false; // slow exact IDCT and smooth chroma upsampling
    int scale = 0;         // 0 full, 1 half, 2 quarter, 3 eighth
};

// Decodes a JPEG held in memory with libjpeg-turbo, straight into the picture's rows: RGB888
// for colour and greyscale files, CMYK and YCCK files converted to RGB. The COM segments become
// the comment. A file that ends before its last row, a picture one row high, and pictures of
// more than 2^28 pixels fail. With a pool, the rows go into a buffer it hands out.
DecodedPicture DecodeJpeg(const uchar* data, qint64 size, const JpegDecodeOptions& options,
                          PixelBufferPool* pool = nullptr);
