#pragma once

#include "core/imaging/GifAnimation.h"

#include <QImage>
#include <QRgb>
#include <QString>

class PixelBufferPool;
class TSpiLib32;

// Turning one file into a picture to show. Pure functions: safe on any thread.
//
// Pixel formats: pictures without alpha are QImage::Format_RGB888; pictures with alpha are
// QImage::Format_ARGB32 (not premultiplied).

// The four pictures shown in place of a file.
enum class StockPicture {
    Missing, // "error_01": the file does not exist
    Broken,  // "error_02": decoding failed
    Audio,   // "AUDIO"
    Html,    // "HTML": HTML and text items
};
QImage StockImage(StockPicture which);

struct LoadOptions {
    bool bmp = true; // built-in decoder switches
    bool jpeg = true;
    bool png = true;
    bool gif = true;
    bool jpegQuality = false; // accurate IDCT and fancy upsampling instead of the fast path
    int jpegScale = 0;        // 0 full, 1 half, 2 quarter, 3 eighth
    // The view's colour: the rows a JPEG cut short does not deliver are painted in it.
    QRgb background = qRgb(0, 0, 0);
    // The picture plug-ins, offered every file no built-in decoder takes; none when null.
    const TSpiLib32* plugIns = nullptr;

    bool operator==(const LoadOptions&) const = default;
};

enum class LoadStatus {
    Decoded,    // `image` holds the file's picture
    Missing,    // the file does not exist; `image` is the "error_01" picture
    Failed,     // decoding failed; `image` is the "error_02" picture
    Unreadable, // the file exists but cannot be read; `image` is the "error_02" picture, `reason`
                // says why for the user
    Stock,      // an audio or HTML/text item; `image` is its stock picture
};

struct LoadedImage {
    LoadStatus status = LoadStatus::Failed;
    QImage image;
    // Colour depth for the status bar: 0 none, 254 CMYK JPEG, 255 plug-in, else bits per pixel.
    int bitDepth = 0;
    // Text the file carries for the comment pane: the JPEG COM segments, the PNG text, or the
    // GIF frame counter "アニメーションセル数 = n/m"; for a JPEG cut short, a line that says so.
    QString comment;
    GifHandle gif;    // set when a GIF was decoded (or the open one reused)
    int gifFrame = 0; // the GIF frame in `image`, after wrapping
    QString reason;   // for Failed: what went wrong, for the developer; never shown as is
};

// Decodes `path` for display. `openGif` is the GIF already open for this same path (frame
// stepping): it is reused instead of reading the file again. `gifFrame` below 0 wraps to the
// last frame, at or past the count to the first. With a `pool`, JPEG and PNG pictures are
// decoded into a buffer that no earlier picture holds any more, when one of the same size is
// there.
LoadedImage LoadImageFile(const QString& path, const LoadOptions& options, const GifHandle& openGif = {},
                          int gifFrame = 0, PixelBufferPool* pool = nullptr);

// Plain decode for the conversions: full-size JPEG, first GIF frame, no switches consulted.
// False with an empty image when the file does not exist or cannot be decoded.
bool LoadFromFile2Bmp(const QString& path, bool jpegQuality, QImage& image);

// Decodes a JPEG at scale 0..3 with best quality; true when the decoded height is not 1.
bool ScaleJPEGLoadFormFile(QImage& image, const QString& path, int scale);
