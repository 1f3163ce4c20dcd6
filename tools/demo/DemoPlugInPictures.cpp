#include "demo/DemoPlugInPictures.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <jxl/encode.h>
#include <libheif/heif.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>

namespace {

// The demo picture with its marks (Format_RGB32, or ARGB32 with a transparent square).
QImage MarkedPicture(int width, int height, const QString& label, int seed, bool alpha) {
    QImage image =
        alpha ? DemoTransparentPicture(width, height, label, seed).convertToFormat(QImage::Format_ARGB32)
              : DemoPicture(width, height, label, seed);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(0, 0, kMarkSize, kMarkSize, kMarkFirst);
    painter.fillRect(width - kMarkSize, height - kMarkSize, kMarkSize, kMarkSize, kMarkLast);
    if (alpha) {
        painter.fillRect(width - kMarkSize, 0, kMarkSize, kMarkSize, Qt::transparent);
    }
    return image;
}

// Tightly packed bytes R, G, B of an RGB32 picture.
std::vector<uint8_t> RgbBytes(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    std::vector<uint8_t> bytes(std::size_t(rgb.width()) * std::size_t(rgb.height()) * 3);
    for (int y = 0; y < rgb.height(); ++y) {
        std::memcpy(bytes.data() + std::size_t(y) * std::size_t(rgb.width()) * 3, rgb.constScanLine(y),
                    std::size_t(rgb.width()) * 3);
    }
    return bytes;
}

QByteArray ReadWhole(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double SrgbToLinear(int v) {
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

heif_error WriteToArray(heif_context*, const void* data, size_t size, void* userdata) {
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

} // namespace

QByteArray DemoWebp(int width, int height) {
    const QImage image = MarkedPicture(width, height, QStringLiteral("photo.webp\nWebP"), 21, false);
    uint8_t* output = nullptr;
    const size_t size =
        WebPEncodeBGRA(image.constBits(), width, height, int(image.bytesPerLine()), 90, &output);
    QByteArray bytes(reinterpret_cast<const char*>(output), qsizetype(size));
    WebPFree(output);
    return bytes;
}

QByteArray DemoAnimatedWebp(int width, int height) {
    WebPAnimEncoderOptions options;
    WebPConfig config;
    if (!WebPAnimEncoderOptionsInit(&options) || !WebPConfigInit(&config)) {
        return {};
    }
    config.lossless = 1;
    WebPAnimEncoder* encoder = WebPAnimEncoderNew(width, height, &options);
    if (encoder == nullptr) {
        return {};
    }
    bool ok = true;
    int timestamp = 0;
    for (int frame = 0; frame < 2 && ok; ++frame) {
        const QImage image =
            frame == 0 ? MarkedPicture(width, height, QStringLiteral("animated.webp\n1 コマ目"), 22, false)
                       : DemoPicture(width, height, QStringLiteral("animated.webp\n2 コマ目"), 23);
        WebPPicture picture;
        ok = WebPPictureInit(&picture);
        picture.use_argb = 1;
        picture.width = width;
        picture.height = height;
        ok = ok && WebPPictureImportBGRA(&picture, image.constBits(), int(image.bytesPerLine())) &&
             WebPAnimEncoderAdd(encoder, &picture, timestamp, &config);
        WebPPictureFree(&picture);
        timestamp += 500;
    }
    WebPData data;
    WebPDataInit(&data);
    ok = ok && WebPAnimEncoderAdd(encoder, nullptr, timestamp, nullptr) &&
         WebPAnimEncoderAssemble(encoder, &data);
    const QByteArray bytes =
        ok ? QByteArray(reinterpret_cast<const char*>(data.bytes), qsizetype(data.size)) : QByteArray();
    WebPDataClear(&data);
    WebPAnimEncoderDelete(encoder);
    return bytes;
}

QByteArray DemoTiff(int width, int height) {
    const QImage image = MarkedPicture(width, height, QStringLiteral("alpha-deflate.tif\nTIFF"), 24, true);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("demo.tif"));
    TIFF* tiff = folder.isValid() ? TIFFOpen(QFile::encodeName(path).constData(), "w") : nullptr;
    if (tiff == nullptr) {
        return {};
    }
    const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(4));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, uint16_t(1), extra);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(32));
    std::vector<uint8_t> line(std::size_t(width) * 4);
    bool ok = true;
    for (int y = 0; y < height && ok; ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            uint8_t* to = line.data() + std::size_t(x) * 4;
            to[0] = uint8_t(qRed(pixels[x]));
            to[1] = uint8_t(qGreen(pixels[x]));
            to[2] = uint8_t(qBlue(pixels[x]));
            to[3] = uint8_t(qAlpha(pixels[x]));
        }
        ok = TIFFWriteScanline(tiff, line.data(), uint32_t(y), 0) == 1;
    }
    TIFFClose(tiff);
    return ok ? ReadWhole(path) : QByteArray();
}

QByteArray DemoHeif(int width, int height, bool av1) {
    const QImage image = MarkedPicture(
        width, height, av1 ? QStringLiteral("photo.avif\nAVIF") : QStringLiteral("photo.heic\nHEIF"),
        av1 ? 25 : 26, false);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* picture = nullptr;
    QByteArray bytes;
    if (heif_context_get_encoder_for_format(context, av1 ? heif_compression_AV1 : heif_compression_HEVC,
                                            &encoder)
                .code == heif_error_Ok &&
        heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture).code ==
            heif_error_Ok &&
        heif_image_add_plane(picture, heif_channel_interleaved, width, height, 8).code == heif_error_Ok) {
        int stride = 0;
        uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
        const std::vector<uint8_t> rgb = RgbBytes(image);
        for (int y = 0; y < height; ++y) {
            std::memcpy(plane + std::size_t(y) * std::size_t(stride), rgb.data() + std::size_t(y) * width * 3,
                        std::size_t(width) * 3);
        }
        heif_encoder_set_lossy_quality(encoder, 85);
        heif_writer writer{1, WriteToArray};
        if (heif_context_encode_image(context, picture, encoder, nullptr, nullptr).code != heif_error_Ok ||
            heif_context_write(context, &writer, &bytes).code != heif_error_Ok) {
            bytes.clear();
        }
    }
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

QByteArray DemoJxl(int width, int height) {
    const QImage image = MarkedPicture(width, height, QStringLiteral("photo.jxl\nJPEG XL"), 27, false);
    const std::vector<uint8_t> rgb = RgbBytes(image);
    JxlEncoder* encoder = JxlEncoderCreate(nullptr);
    JxlBasicInfo info;
    JxlEncoderInitBasicInfo(&info);
    info.xsize = uint32_t(width);
    info.ysize = uint32_t(height);
    info.bits_per_sample = 8;
    info.num_color_channels = 3;
    info.uses_original_profile = JXL_FALSE;
    JxlColorEncoding colour;
    JxlColorEncodingSetToSRGB(&colour, JXL_FALSE);
    const JxlPixelFormat format{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    QByteArray bytes;
    JxlEncoderFrameSettings* settings = nullptr;
    if (JxlEncoderSetBasicInfo(encoder, &info) == JXL_ENC_SUCCESS &&
        JxlEncoderSetColorEncoding(encoder, &colour) == JXL_ENC_SUCCESS &&
        (settings = JxlEncoderFrameSettingsCreate(encoder, nullptr)) != nullptr &&
        JxlEncoderSetFrameDistance(settings, 1.0f) == JXL_ENC_SUCCESS &&
        JxlEncoderAddImageFrame(settings, &format, rgb.data(), rgb.size()) == JXL_ENC_SUCCESS) {
        JxlEncoderCloseInput(encoder);
        std::vector<uint8_t> out(64 * 1024);
        std::size_t used = 0;
        JxlEncoderStatus status = JXL_ENC_NEED_MORE_OUTPUT;
        while (status == JXL_ENC_NEED_MORE_OUTPUT) {
            uint8_t* next = out.data() + used;
            std::size_t available = out.size() - used;
            status = JxlEncoderProcessOutput(encoder, &next, &available);
            used = std::size_t(next - out.data());
            if (status == JXL_ENC_NEED_MORE_OUTPUT) {
                out.resize(out.size() * 2);
            }
        }
        if (status == JXL_ENC_SUCCESS) {
            bytes = QByteArray(reinterpret_cast<const char*>(out.data()), qsizetype(used));
        }
    }
    JxlEncoderDestroy(encoder);
    return bytes;
}

QByteArray DemoDng(int width, int height, QSize preview) {
    QImage image = DemoPhoto(width, height, 28);
    {
        QPainter painter(&image);
        painter.fillRect(0, 0, kMarkSize, kMarkSize, Qt::white);
        painter.fillRect(width - kMarkSize, height - kMarkSize, kMarkSize, kMarkSize, Qt::black);
    }
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("demo.dng"));
    TIFF* tiff = folder.isValid() ? TIFFOpen(QFile::encodeName(path).constData(), "w") : nullptr;
    if (tiff == nullptr) {
        return {};
    }
    const uint8_t dngVersion[] = {1, 4, 0, 0};
    const uint16_t repeat[] = {2, 2};
    const uint8_t pattern[] = {0, 1, 1, 2};
    // XYZ to linear sRGB: the mosaic holds linear sRGB values.
    const float colourMatrix[] = {3.2406f, -1.5372f, -0.4986f, -0.9689f, 1.8758f,
                                  0.0415f, 0.0557f,  -0.2040f, 1.0570f};
    const float neutral[] = {1, 1, 1};
    const uint32_t white[] = {65535};
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, uint32_t(0));
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(1));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(16));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, uint16_t(32803));
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, uint16_t(ORIENTATION_RIGHTTOP));
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(height));
    TIFFSetField(tiff, TIFFTAG_MAKE, "Ruvela");
    TIFFSetField(tiff, TIFFTAG_MODEL, "Demo");
    TIFFSetField(tiff, TIFFTAG_DNGVERSION, dngVersion);
    TIFFSetField(tiff, TIFFTAG_UNIQUECAMERAMODEL, "Ruvela Demo");
    TIFFSetField(tiff, TIFFTAG_CFAREPEATPATTERNDIM, repeat);
    TIFFSetField(tiff, TIFFTAG_CFAPATTERN, 4, pattern);
    TIFFSetField(tiff, TIFFTAG_COLORMATRIX1, 9, colourMatrix);
    TIFFSetField(tiff, TIFFTAG_CALIBRATIONILLUMINANT1, uint16_t(21));
    TIFFSetField(tiff, TIFFTAG_ASSHOTNEUTRAL, 3, neutral);
    TIFFSetField(tiff, TIFFTAG_WHITELEVEL, 1, white);
    // The directory goes first, before the data, as a camera writes it: the plug-ins tell a
    // DNG from other TIFF files by the first 2048 bytes. Written at once with room for the
    // strip's place and size, which are filled in once the data follows.
    TIFFDeferStrileArrayWriting(tiff);
    TIFFWriteCheck(tiff, 0, "demo.dng");
    bool ok = TIFFWriteDirectory(tiff) == 1;
    TIFFClose(tiff);
    tiff = ok ? TIFFOpen(QFile::encodeName(path).constData(), "r+") : nullptr;
    if (tiff == nullptr) {
        return {};
    }
    std::vector<uint16_t> pixels;
    pixels.reserve(std::size_t(width) * std::size_t(height));
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            // RGGB: red on even rows and columns, blue on odd rows and columns, green between.
            const int colour = (y % 2) + (x % 2);
            const int value = colour == 0 ? qRed(line[x]) : colour == 1 ? qGreen(line[x]) : qBlue(line[x]);
            pixels.push_back(uint16_t(std::lround(SrgbToLinear(value) * 65535)));
        }
    }
    const tmsize_t size = tmsize_t(pixels.size() * sizeof(uint16_t));
    ok =
        TIFFWriteEncodedStrip(tiff, 0, pixels.data(), size) == size && TIFFForceStrileArrayWriting(tiff) == 1;
    if (ok && !preview.isEmpty()) {
        // The directory read when the file was opened is freed first: making a new one does not.
        TIFFFreeDirectory(tiff);
        TIFFCreateDirectory(tiff);
        // The camera's preview in a directory after the raw data: a whole JPEG file as its one strip.
        JpegEncodeOptions options;
        options.quality = 90;
        const QByteArray jpeg =
            EncodeJpeg(MarkedPicture(preview.width(), preview.height(),
                                     QStringLiteral("camera-preview.dng\nプレビュー"), 29, false),
                       options);
        TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, uint32_t(FILETYPE_REDUCEDIMAGE));
        TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(preview.width()));
        TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(preview.height()));
        TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, uint16_t(3));
        TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, uint16_t(8));
        TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
        TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
        TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, uint32_t(preview.height()));
        ok = !jpeg.isEmpty() &&
             TIFFWriteRawStrip(tiff, 0, const_cast<char*>(jpeg.constData()), jpeg.size()) == jpeg.size() &&
             TIFFWriteDirectory(tiff) == 1;
    }
    TIFFClose(tiff);
    return ok ? ReadWhole(path) : QByteArray();
}

std::vector<DemoFile> DemoPlugInFiles() {
    return {
        {QStringLiteral("plugins/photo.webp"), DemoWebp(640, 480),
         QStringLiteral("WebP（プラグインで表示）")},
        {QStringLiteral("plugins/animated.webp"), DemoAnimatedWebp(320, 240),
         QStringLiteral("2 コマの WebP アニメーション（プラグインで表示）")},
        {QStringLiteral("plugins/alpha-deflate.tif"), DemoTiff(640, 480),
         QStringLiteral("透明な部分のある Deflate 圧縮の TIFF（プラグインで表示）")},
        {QStringLiteral("plugins/photo.heic"), DemoHeif(480, 360, false),
         QStringLiteral("HEIF（プラグインで表示）")},
        {QStringLiteral("plugins/photo.avif"), DemoHeif(480, 360, true),
         QStringLiteral("AVIF（プラグインで表示）")},
        {QStringLiteral("plugins/photo.jxl"), DemoJxl(640, 480),
         QStringLiteral("JPEG XL（プラグインで表示）")},
        {QStringLiteral("plugins/camera.dng"), DemoDng(320, 240),
         QStringLiteral("カメラの RAW（DNG、縦位置）（プラグインで表示）")},
        {QStringLiteral("plugins/camera-preview.dng"), DemoDng(320, 240, QSize(1280, 960)),
         QStringLiteral("大きなプレビュー付きのカメラの RAW（DNG、縦位置）（プラグインで表示）")},
    };
}
