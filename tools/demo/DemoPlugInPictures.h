#pragma once

#include "demo/DemoPictures.h"

#include <QColor>
#include <QSize>

// The pictures of the demo folder in the formats that Ruvela's plug-ins decode (WebP, TIFF,
// HEIF, AVIF, JPEG XL, DNG), made with those formats' own libraries. Each carries marks of
// known colours, so that a test can check a decoder's pixels and its orientation.

// Squares of kMarkSize pixels: kMarkFirst at the top left corner of the stored picture,
// kMarkLast at its bottom right corner; the TIFF also has a fully transparent square at its
// top right corner.
constexpr int kMarkSize = 32;
inline const QColor kMarkFirst(220, 40, 90);
inline const QColor kMarkLast(40, 200, 120);

// Every such file, in a fixed order. A file whose bytes could not be made has empty bytes.
std::vector<DemoFile> DemoPlugInFiles();

// The single files, for tests that need them.
QByteArray DemoWebp(int width, int height);
// Two frames of `width` × `height`, lossless; the first one carries the marks.
QByteArray DemoAnimatedWebp(int width, int height);
// 8-bit RGBA, deflate.
QByteArray DemoTiff(int width, int height);
// `av1` chooses AVIF over HEIC.
QByteArray DemoHeif(int width, int height, bool av1);
QByteArray DemoJxl(int width, int height);
// A 16-bit RGGB mosaic of `width` × `height` in linear sRGB, stored turned: Orientation 6 (the
// picture is shown turned 90° clockwise). kMarkFirst is white, kMarkLast black. A `preview`
// size adds the camera's JPEG preview of that size, with the marks in their colours.
QByteArray DemoDng(int width, int height, QSize preview = {});
