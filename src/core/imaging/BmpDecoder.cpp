#include "core/imaging/BmpDecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

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

// An uncompressed bitmap whose file ends before its rows do (a damaged card, a copy cut short):
// a copy of the file whose header claims only the whole rows present, so that a few bytes can
// never make the decoder fill a picture of hundreds of megabytes. Empty when the file holds every
// row or is compressed; `*noRows` is set when it holds not even one row.
QByteArray CutToRowsPresent(const uchar* data, qint64 size, bool* noRows) {
    if (size < kInfoHeaderAt + 4) {
        return {};
    }
    const std::uint32_t headerSize = LittleEndian(data, kInfoHeaderAt, 4);
    const bool core = headerSize == 12;
    // Only the fields of the first 40 bytes count here, whatever size the header claims.
    const qint64 known = core ? 12 : 40;
    if ((!core && headerSize < 40) || size < kInfoHeaderAt + known) {
        return {};
    }
    const qint64 width = core ? qint64(LittleEndian(data, 18, 2)) : qint64(qint32(LittleEndian(data, 18, 4)));
    const qint64 height =
        core ? qint64(qint16(LittleEndian(data, 20, 2))) : qint64(qint32(LittleEndian(data, 22, 4)));
    const qint64 bits = LittleEndian(data, core ? 24 : 28, 2);
    const std::uint32_t compression = core ? kBiRgb : LittleEndian(data, 30, 4);
    constexpr std::uint32_t kBiAlphaBitfields = 6;
    if ((compression != kBiRgb && compression != kBiBitfields && compression != kBiAlphaBitfields) ||
        width <= 0 || height == 0 || bits <= 0 || bits > 64) {
        return {};
    }
    // Rows are counted from the offset the file gives, but never from inside the header.
    const qint64 rowsAt = std::max<qint64>(LittleEndian(data, 10, 4), kInfoHeaderAt + known);
    const qint64 rowBytes = (width * bits + 31) / 32 * 4;
    const qint64 rows = rowsAt < size ? (size - rowsAt) / rowBytes : 0;
    *noRows = rows == 0;
    if (rows >= qAbs(height) || rows == 0) {
        return {};
    }
    QByteArray cut(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qint64 claimed = height < 0 ? -rows : rows;
    const int heightAt = core ? 20 : 22;
    for (int i = 0; i < (core ? 2 : 4); ++i) {
        cut[heightAt + i] = static_cast<char>((static_cast<std::uint64_t>(claimed) >> (8 * i)) & 0xFF);
    }
    return cut;
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
    bool noRows = false;
    QByteArray bytes = CutToRowsPresent(data, size, &noRows);
    if (noRows) {
        result.error = QStringLiteral("no pixel data");
        return result;
    }
    result.incomplete = !bytes.isEmpty();
    if (bytes.isEmpty()) {
        bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    }
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
