#include "core/imaging/BmpDecoder.h"

#include <QBuffer>
#include <QImageReader>

namespace {

constexpr qint64 kMaxPixels = qint64(1) << 28;

constexpr qint64 kInfoHeaderAt = 14;
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;

std::uint32_t LittleEndian(const uchar* data, qint64 at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        value = (value << 8) | data[at + i];
    }
    return value;
}

// Bitmaps with an alpha mask are often written fully opaque; only a pixel that is not makes the
// picture one with alpha.
bool HasRealAlpha(const QImage& image) {
    if (!image.hasAlphaChannel()) {
        return false;
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) != 255) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

int BmpBitDepth(const uchar* data, qint64 size) {
    if (data == nullptr || size < kInfoHeaderAt + 4 || data[0] != 'B' || data[1] != 'M') {
        return 0;
    }
    const std::uint32_t headerSize = LittleEndian(data, kInfoHeaderAt, 4);
    // OS/2 bitmaps have a 12-byte header with 16-bit dimensions, so the count sits earlier.
    const qint64 countAt = headerSize == 12 ? 24 : 28;
    if (size < countAt + 2) {
        return 0;
    }
    const std::uint32_t bits = LittleEndian(data, countAt, 2);
    switch (bits) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
        return static_cast<int>(bits);
    case 16:
        break;
    default:
        return 0;
    }
    if (headerSize == 12 || size < 34) {
        return 0;
    }
    const std::uint32_t compression = LittleEndian(data, 30, 4);
    if (compression == kBiRgb) {
        return 15;
    }
    // The colour masks follow the 40-byte header; the larger headers hold them at the same place.
    if (compression != kBiBitfields || size < 58) {
        return 0;
    }
    const std::uint32_t redMask = LittleEndian(data, 54, 4);
    if (redMask == 0x7C00) {
        return 15;
    }
    if (redMask == 0xF800) {
        return 16;
    }
    return 0;
}

DecodedPicture DecodeBmp(const uchar* data, qint64 size) {
    DecodedPicture result;
    if (data == nullptr || size < 26 || data[0] != 'B' || data[1] != 'M') {
        result.error = QStringLiteral("not a bitmap");
        return result;
    }
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "BMP");
    // Qt's default limit (256 MB) would refuse pictures the other decoders show.
    reader.setAllocationLimit(1024);
    // Top-down bitmaps declare a negative height, which Qt passes on as it is.
    const QSize declared = reader.size();
    const qint64 pixels = qAbs(qint64(declared.width())) * qAbs(qint64(declared.height()));
    if (pixels == 0 || pixels > kMaxPixels) {
        result.error = QStringLiteral("unsupported size");
        return result;
    }
    QImage image = reader.read();
    if (image.isNull()) {
        result.error = reader.errorString();
        return result;
    }
    image = image.convertToFormat(HasRealAlpha(image) ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    if (image.isNull()) {
        result.error = QStringLiteral("out of memory");
        return result;
    }
    result.bitDepth = BmpBitDepth(data, size);
    result.image = std::move(image);
    return result;
}
