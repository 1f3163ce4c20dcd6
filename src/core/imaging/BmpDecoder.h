#pragma once

#include "core/imaging/DecodedPicture.h"

#include <QtGlobal>

// Decodes a Windows or OS/2 bitmap held in memory with Qt's BMP reader, to RGB888, or ARGB32
// when the bitmap carries real alpha. The bit depth comes from the file's own header.
DecodedPicture DecodeBmp(const uchar* data, qint64 size);

// Bits per pixel the header of a bitmap declares: 1, 4, 8, 24, 32; 15 for 16-bit 5-5-5 and 16
// for 5-6-5 pixels; 0 when the header cannot be classified.
int BmpBitDepth(const uchar* data, qint64 size);
