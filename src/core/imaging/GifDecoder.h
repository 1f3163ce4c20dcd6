#pragma once

#include "core/imaging/GifAnimation.h"

#include <QtGlobal>

// Decodes every frame of a GIF held in memory with giflib and composes each onto the logical
// screen with the disposal method of the frame before it. Frames are ARGB32 when any frame
// declares a transparent colour, else RGB888. A file that ends inside a frame keeps the frames
// before it; none complete, too many pixels in all (2^28), or a broken header give null with
// `error` filled.
GifHandle DecodeGif(const uchar* data, qint64 size, QString* error = nullptr);
