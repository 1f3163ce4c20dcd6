#include "core/imaging/ImageLoader.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/imaging/BmpDecoder.h"
#include "core/imaging/FileBytes.h"
#include "core/imaging/GifDecoder.h"
#include "core/imaging/JpegDecoder.h"
#include "core/imaging/PngDecoder.h"
#include "core/imaging/TSpiLib32.h"

#include <initializer_list>

namespace {

enum class Kind { Bmp, Jpeg, Png, Gif, Audio, Html, Other };

bool OneOf(const QString& ext, std::initializer_list<const char*> list) {
    for (const char* item : list) {
        if (ext == QLatin1String(item)) {
            return true;
        }
    }
    return false;
}

// The built-in decoder for the extension, when its switch is on; the first match wins.
Kind KindOf(const QString& path, const LoadOptions& options) {
    const QString ext = UpperExtension(path);
    if (options.bmp && OneOf(ext, {".BMP", ".DIB"})) {
        return Kind::Bmp;
    }
    if (options.jpeg && OneOf(ext, {".JPG", ".JPE", ".JPEG"})) {
        return Kind::Jpeg;
    }
    if (options.png && ext == QLatin1String(".PNG")) {
        return Kind::Png;
    }
    if (options.gif && ext == QLatin1String(".GIF")) {
        return Kind::Gif;
    }
    if (OneOf(ext, {".MP3", ".WMA", ".MID", ".WAV"})) {
        return Kind::Audio;
    }
    if (OneOf(ext, {".HTM", ".HTML", ".MHT", ".TXT"})) {
        return Kind::Html;
    }
    return Kind::Other;
}

LoadedImage Failed(const QString& reason) {
    LoadedImage loaded;
    loaded.status = LoadStatus::Failed;
    loaded.image = StockImage(StockPicture::Broken);
    loaded.reason = reason;
    return loaded;
}

// A plug-in's picture; the status bar shows plug-in pictures as depth 255.
LoadedImage FromPlugIn(const TSpiLib32& plugIns, const FileBytes& file) {
    QImage image;
    const SpiResult result = plugIns.DecodeMemory(file.data(), std::size_t(file.size()), &image);
    if (result.status == SpiStatus::NotClaimed) {
        return Failed(QStringLiteral("no plug-in takes the file"));
    }
    if (result.status != SpiStatus::Decoded) {
        return Failed(result.reason);
    }
    LoadedImage loaded;
    loaded.status = LoadStatus::Decoded;
    loaded.image = std::move(image);
    loaded.bitDepth = 255;
    return loaded;
}

LoadedImage Stock(StockPicture which) {
    LoadedImage loaded;
    loaded.status = LoadStatus::Stock;
    loaded.image = StockImage(which);
    return loaded;
}

LoadedImage FromDecoded(DecodedPicture&& decoded) {
    if (decoded.image.isNull()) {
        return Failed(decoded.error);
    }
    LoadedImage loaded;
    loaded.status = LoadStatus::Decoded;
    loaded.image = std::move(decoded.image);
    loaded.bitDepth = decoded.bitDepth;
    loaded.comment = std::move(decoded.comment);
    if (decoded.incomplete) {
        if (!loaded.comment.isEmpty()) {
            loaded.comment += QStringLiteral("\r\n");
        }
        loaded.comment += QStringLiteral("ファイルが途中で切れています（読めた部分だけを表示しています）");
    }
    return loaded;
}

LoadedImage GifFrame(const GifHandle& gif, int gifFrame) {
    const int count = gif->frameCount();
    int frame = gifFrame;
    if (frame < 0) {
        frame = count - 1;
    } else if (frame >= count) {
        frame = 0;
    }
    LoadedImage loaded;
    loaded.status = LoadStatus::Decoded;
    loaded.image = gif->frame(frame).image;
    loaded.bitDepth = gif->bitsPerPixel();
    loaded.comment = QStringLiteral("アニメーションセル数 = %1/%2").arg(frame + 1).arg(count);
    loaded.gif = gif;
    loaded.gifFrame = frame;
    return loaded;
}

} // namespace

LoadedImage LoadImageFile(const QString& path, const LoadOptions& options, const GifHandle& openGif,
                          int gifFrame, PixelBufferPool* pool) {
    if (!StatPath(path).exists) {
        LoadedImage missing;
        missing.status = LoadStatus::Missing;
        missing.image = StockImage(StockPicture::Missing);
        return missing;
    }
    const Kind kind = KindOf(path, options);
    if (kind == Kind::Audio) {
        return Stock(StockPicture::Audio);
    }
    if (kind == Kind::Html) {
        return Stock(StockPicture::Html);
    }
    if (kind == Kind::Other && (options.plugIns == nullptr || options.plugIns->PicPlugInList().isEmpty())) {
        return Failed(QStringLiteral("no plug-in"));
    }
    if (kind == Kind::Gif && openGif != nullptr && openGif->frameCount() > 0) {
        return GifFrame(openGif, gifFrame);
    }
    FileBytes file;
    if (!file.open(path)) {
        const FileBytes::Failure failure = file.failure();
        LoadedImage unreadable =
            Failed(failure == FileBytes::Failure::PermissionDenied ? QStringLiteral("アクセス権がありません")
                   : failure == FileBytes::Failure::NotAFile ? QStringLiteral("通常のファイルではありません")
                                                             : QStringLiteral("読み込みエラー"));
        unreadable.status = LoadStatus::Unreadable;
        return unreadable;
    }
    switch (kind) {
    case Kind::Other:
        // Formats without a built-in decoder, or with it switched off.
        return FromPlugIn(*options.plugIns, file);
    case Kind::Bmp:
        return FromDecoded(DecodeBmp(file.data(), file.size()));
    case Kind::Jpeg: {
        // Turning by the Exif orientation belongs here, once the loader reads Exif.
        const JpegDecodeOptions jpeg{options.jpegQuality, options.jpegScale, options.background};
        return FromDecoded(DecodeJpeg(file.data(), file.size(), jpeg, pool));
    }
    case Kind::Png:
        return FromDecoded(DecodePng(file.data(), file.size(), pool));
    case Kind::Gif: {
        QString error;
        const GifHandle gif = DecodeGif(file.data(), file.size(), &error);
        if (gif == nullptr) {
            return Failed(error);
        }
        return GifFrame(gif, gifFrame);
    }
    default:
        return Failed(QStringLiteral("no plug-in"));
    }
}

bool LoadFromFile2Bmp(const QString& path, bool jpegQuality, QImage& image) {
    LoadOptions options;
    options.jpegQuality = jpegQuality;
    const LoadedImage loaded = LoadImageFile(path, options);
    if (loaded.status != LoadStatus::Decoded) {
        image = QImage();
        return false;
    }
    image = loaded.image;
    return true;
}

bool ScaleJPEGLoadFormFile(QImage& image, const QString& path, int scale) {
    FileBytes file;
    if (!file.open(path)) {
        image = QImage();
        return false;
    }
    const JpegDecodeOptions jpeg{true, scale};
    DecodedPicture decoded = DecodeJpeg(file.data(), file.size(), jpeg);
    image = std::move(decoded.image);
    return !image.isNull();
}
