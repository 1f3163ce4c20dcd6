#pragma once

#include "core/imaging/DecodedPicture.h"

#include <QtGlobal>

class PixelBufferPool;

// Decodes a PNG held in memory with libpng: every colour type and bit depth, to RGB888, or to
// ARGB32 when the file has an alpha channel or a transparency chunk. The bit depth is the one
// the file declares per pixel; the comment is the text chunk named "Comment", else the first
// text chunk. Pictures of more than 2^28 pixels fail.
DecodedPicture DecodePng(const uchar* data, qint64 size, PixelBufferPool* pool = nullptr);
