#include "soak/SoakPictures.h"

#include "PhotoLike.h"
#include "core/convert/ImageEncoders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace {

constexpr int kCount = 300;
constexpr int kLeastSide = 24;

// Every twentieth picture, starting at p010, is a 24-megapixel photo.
bool IsLarge(int index) {
    return index % 20 == 10;
}

// Stripes and checks in colours that `seed` shifts. With `fewColours` the picture has at most
// 256 colours (8 reds, 8 greens, 4 blues), so a GIF keeps it as it is.
QImage Pattern(QSize size, int seed, bool fewColours) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            int red = (x * 7 + seed * 13) & 255;
            int green = (y * 5 + seed * 29) & 255;
            int blue = ((x ^ y) + seed * 3) & 255;
            if (fewColours) {
                red &= 0xE0;
                green &= 0xE0;
                blue &= 0xC0;
            }
            line[x] = qRgb(red, green, blue);
        }
    }
    return image;
}

} // namespace

QList<SoakPicture> SoakPictureSet() {
    struct Kind {
        const char* extension;
        int widest;
        int tallest;
    };
    // BMPs and GIFs stay smaller, as they do among real pictures; the sizes wander over each
    // kind's range so that neighbours differ.
    constexpr Kind kKinds[] = {
        {"jpg", 3000, 2200}, {"png", 2000, 1500}, {"bmp", 1600, 1200}, {"gif", 800, 600}};
    QList<SoakPicture> pictures;
    for (int i = 0; i < kCount; ++i) {
        const QString stem = QStringLiteral("p%1.").arg(i, 3, 10, QLatin1Char('0'));
        if (IsLarge(i)) {
            const bool portrait = (i / 20) % 2 == 1;
            pictures.append({stem + QStringLiteral("jpg"), portrait ? QSize(4000, 6000) : QSize(6000, 4000)});
            continue;
        }
        const Kind& kind = kKinds[i % 4];
        pictures.append({stem + QString::fromLatin1(kind.extension),
                         QSize(kLeastSide + (i * 577) % kind.widest, kLeastSide + (i * 389) % kind.tallest)});
    }
    return pictures;
}

QByteArray EncodeSoakPicture(const SoakPicture& picture, int seed, QString* error) {
    const QString format = QFileInfo(picture.name).suffix();
    if (format == QLatin1String("jpg")) {
        const bool photo = picture.size.width() * qint64(picture.size.height()) >= 24'000'000;
        const QImage image = photo ? PhotoLike(picture.size.width(), picture.size.height(), unsigned(seed))
                                   : Pattern(picture.size, seed, false);
        JpegEncodeOptions options;
        options.quality = 85;
        return EncodeJpeg(image, options, error);
    }
    if (format == QLatin1String("png")) {
        PngEncodeOptions options;
        options.compression = 1;
        return EncodePng(Pattern(picture.size, seed, false), options, error);
    }
    if (format == QLatin1String("bmp")) {
        return EncodeBmp(Pattern(picture.size, seed, false), 24, error);
    }
    if (format == QLatin1String("gif")) {
        // Every third GIF is an animation of three frames.
        const int frameCount = seed % 3 == 0 ? 3 : 1;
        std::vector<GifFrameSpec> frames;
        for (int frame = 0; frame < frameCount; ++frame) {
            GifFrameSpec cell;
            cell.image = Pattern(picture.size, seed + frame * 1000, true);
            frames.push_back(cell);
        }
        return EncodeGif(picture.size.width(), picture.size.height(), frames, {}, error);
    }
    *error = QStringLiteral("no encoder for ") + picture.name;
    return {};
}

QMap<QString, QByteArray> HashFilesBelow(const QString& folder) {
    QMap<QString, QByteArray> hashes;
    const QDir base(folder);
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        // A file that cannot be read gets an empty hash, which no file's contents have.
        if (file.open(QIODevice::ReadOnly) && hash.addData(&file)) {
            hashes.insert(base.relativeFilePath(path), hash.result());
        } else {
            hashes.insert(base.relativeFilePath(path), QByteArray());
        }
    }
    return hashes;
}
