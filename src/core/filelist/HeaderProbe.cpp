#include "core/filelist/HeaderProbe.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"

#include <QFile>
#include <sys/stat.h>

namespace {

// A picture file opened for its first bytes. Only regular files are opened, so a FIFO or a
// device named like a picture cannot block the caller. QFile reads ahead in blocks; skips are
// seeks, so a large segment before the frame header costs one seek, not a read of its bytes.
class HeaderReader {
public:
    explicit HeaderReader(const QString& path) {
        struct stat st {};
        const QByteArray native = NativePath(path);
        m_open = !path.isEmpty() && ::stat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
                 OpenFile(m_file, path, QIODevice::ReadOnly);
    }

    bool isOpen() const { return m_open; }

    bool byte(unsigned& value) {
        char c = 0;
        if (!m_file.getChar(&c)) {
            return false;
        }
        value = static_cast<unsigned char>(c);
        return true;
    }

    // Reads `count` bytes (at most 4) as one number, most significant first or last.
    bool number(int count, bool bigEndian, std::uint32_t& value) {
        unsigned char bytes[4] = {};
        if (m_file.read(reinterpret_cast<char*>(bytes), count) != count) {
            return false;
        }
        value = 0;
        for (int i = 0; i < count; ++i) {
            const int at = bigEndian ? i : count - 1 - i;
            value = (value << 8) | bytes[at];
        }
        return true;
    }

    bool startsWith(const QByteArray& signature) { return m_file.read(signature.size()) == signature; }

    bool seek(qint64 offset) { return m_file.seek(offset); }
    bool skip(qint64 count) { return m_file.seek(m_file.pos() + count); }

private:
    QFile m_file;
    bool m_open = false;
};

std::uint32_t Pack(std::uint32_t width, std::uint32_t height) {
    return ((width & 0xFFFFu) << 16) | (height & 0xFFFFu);
}

// Width and height at fixed offsets of a header with a signature at its start.
std::uint32_t ProbeFixed(const QString& path, const QByteArray& signature, qint64 widthAt, qint64 heightAt,
                         int fieldBytes, bool bigEndian) {
    HeaderReader reader(path);
    if (!reader.isOpen() || !reader.startsWith(signature)) {
        return 0;
    }
    std::uint32_t width = 0;
    if (!reader.seek(widthAt) || !reader.number(fieldBytes, bigEndian, width)) {
        return 0;
    }
    std::uint32_t height = 0;
    if (!reader.seek(heightAt) || !reader.number(fieldBytes, bigEndian, height)) {
        return Pack(width, 0);
    }
    return Pack(width, height);
}

} // namespace

std::uint32_t ProbeBmp(const QString& path) {
    return ProbeFixed(path, QByteArrayLiteral("BM"), 18, 22, 4, false);
}

std::uint32_t ProbeGif(const QString& path) {
    return ProbeFixed(path, QByteArrayLiteral("GIF8"), 6, 8, 2, false);
}

std::uint32_t ProbePng(const QString& path) {
    return ProbeFixed(path, QByteArrayLiteral("\x89PNG"), 16, 20, 4, true);
}

std::uint32_t ProbeJpeg(const QString& path) {
    HeaderReader reader(path);
    if (!reader.isOpen() || !reader.startsWith(QByteArrayLiteral("\xFF\xD8"))) {
        return 0;
    }
    for (;;) {
        unsigned marker = 0;
        if (!reader.byte(marker) || marker != 0xFF) {
            return 0;
        }
        // Any number of 0xFF fill bytes may stand before the marker code.
        while (marker == 0xFF) {
            if (!reader.byte(marker)) {
                return 0;
            }
        }
        if (marker == 0xC0 || marker == 0xC2) {
            std::uint32_t height = 0;
            std::uint32_t width = 0;
            if (!reader.skip(3) || !reader.number(2, true, height)) {
                return 0;
            }
            if (!reader.number(2, true, width)) {
                return Pack(0, height);
            }
            return Pack(width, height);
        }
        if (marker == 0xDA) {
            return 0;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            continue; // markers without a length
        }
        std::uint32_t length = 0;
        if (!reader.number(2, true, length) || length < 2) {
            return 0;
        }
        if (!reader.skip(length - 2)) {
            return 0;
        }
    }
}

std::uint32_t ProbeByExtension(const QString& path) {
    const QString ext = UpperExtension(path);
    if (ext == QLatin1String(".JPG") || ext == QLatin1String(".JPE") || ext == QLatin1String(".JPEG")) {
        return ProbeJpeg(path);
    }
    if (ext == QLatin1String(".PNG")) {
        return ProbePng(path);
    }
    if (ext == QLatin1String(".GIF")) {
        return ProbeGif(path);
    }
    if (ext == QLatin1String(".BMP")) {
        return ProbeBmp(path);
    }
    return 0;
}

QString TrueExtension(const QString& path) {
    if (ProbeJpeg(path) != 0) {
        return QStringLiteral(".jpg");
    }
    if (ProbePng(path) != 0) {
        return QStringLiteral(".png");
    }
    if (ProbeGif(path) != 0) {
        return QStringLiteral(".gif");
    }
    if (ProbeBmp(path) != 0) {
        return QStringLiteral(".bmp");
    }
    return {};
}
