#include "core/filelist/HeaderProbe.h"

#include "core/common/NativePath.h"
#include "core/common/PathText.h"
#include "core/common/UniqueFd.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

enum class Format { None, Jpeg, Png, Gif, Bmp };

// The format an upper-case extension without its dot names.
Format FormatOfExtension(const char* extension) {
    const auto is = [extension](const char* text) { return std::strcmp(extension, text) == 0; };
    if (is("JPG") || is("JPE") || is("JPEG")) {
        return Format::Jpeg;
    }
    if (is("PNG")) {
        return Format::Png;
    }
    if (is("GIF")) {
        return Format::Gif;
    }
    if (is("BMP")) {
        return Format::Bmp;
    }
    return Format::None;
}

// The format a file name's extension (after its last ".", any case) names.
Format FormatOfName(const char* name) {
    const char* dot = std::strrchr(name, '.');
    if (dot == nullptr) {
        return Format::None;
    }
    // The longest extension a probe knows has four letters.
    char upper[5] = {};
    for (std::size_t i = 0; dot[i + 1] != '\0'; ++i) {
        if (i == 4) {
            return Format::None;
        }
        const char c = dot[i + 1];
        upper[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return FormatOfExtension(upper);
}

// Opens `path` for its first bytes. Only regular files are opened, so a FIFO or a device named
// like a picture cannot block the caller.
int OpenRegular(const QString& path) {
    if (path.isEmpty()) {
        return -1;
    }
    const QByteArray native = NativePath(path);
    struct stat facts {};
    if (::stat(native.constData(), &facts) != 0 || !S_ISREG(facts.st_mode)) {
        return -1;
    }
    return ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

// The first bytes of an open file, read one block at a time at the offset the parser asks for.
// Skips only move the position, so a large segment before the frame header costs one read of
// the block behind it, not a read of its bytes.
class HeaderReader {
public:
    explicit HeaderReader(int fd) : m_fd(fd) {}
    HeaderReader(const HeaderReader&) = delete;
    HeaderReader& operator=(const HeaderReader&) = delete;

    bool byte(unsigned& value) {
        if (m_pos < m_start || m_pos >= m_start + m_filled) {
            if (!Fill()) {
                return false;
            }
        }
        value = m_block[m_pos - m_start];
        ++m_pos;
        return true;
    }

    // Reads `count` bytes (at most 4) as one number, most significant first or last.
    bool number(int count, bool bigEndian, std::uint32_t& value) {
        value = 0;
        for (int i = 0; i < count; ++i) {
            unsigned next = 0;
            if (!byte(next)) {
                return false;
            }
            value = bigEndian ? (value << 8) | next : value | (next << (8 * i));
        }
        return true;
    }

    bool startsWith(const char* signature, std::size_t length) {
        for (std::size_t i = 0; i < length; ++i) {
            unsigned next = 0;
            if (!byte(next) || next != static_cast<unsigned char>(signature[i])) {
                return false;
            }
        }
        return true;
    }

    void seek(off_t offset) { m_pos = offset; }
    void skip(off_t count) { m_pos += count; }

private:
    bool Fill() {
        ssize_t got = 0;
        do {
            got = ::pread(m_fd, m_block, sizeof m_block, m_pos);
        } while (got < 0 && errno == EINTR);
        if (got <= 0) {
            return false;
        }
        m_start = m_pos;
        m_filled = got;
        return true;
    }

    // Headers of small pictures fit in one block; a camera's Exif block costs one more read.
    unsigned char m_block[4096];
    int m_fd;
    off_t m_start = 0;
    off_t m_filled = 0;
    off_t m_pos = 0;
};

std::uint32_t Pack(std::uint32_t width, std::uint32_t height) {
    return ((width & 0xFFFFu) << 16) | (height & 0xFFFFu);
}

// Width and height at fixed offsets of a header with a signature at its start.
std::uint32_t ProbeFixed(int fd, const char* signature, off_t widthAt, off_t heightAt, int fieldBytes,
                         bool bigEndian) {
    HeaderReader reader(fd);
    if (!reader.startsWith(signature, std::strlen(signature))) {
        return 0;
    }
    std::uint32_t width = 0;
    reader.seek(widthAt);
    if (!reader.number(fieldBytes, bigEndian, width)) {
        return 0;
    }
    std::uint32_t height = 0;
    reader.seek(heightAt);
    if (!reader.number(fieldBytes, bigEndian, height)) {
        return Pack(width, 0);
    }
    return Pack(width, height);
}

std::uint32_t ProbeBmpFile(int fd) {
    return ProbeFixed(fd, "BM", 18, 22, 4, false);
}

std::uint32_t ProbeGifFile(int fd) {
    return ProbeFixed(fd, "GIF8", 6, 8, 2, false);
}

std::uint32_t ProbePngFile(int fd) {
    return ProbeFixed(fd, "\x89PNG", 16, 20, 4, true);
}

// Walks the segments from the start of image to the first baseline or progressive frame header.
std::uint32_t ProbeJpegFile(int fd) {
    HeaderReader reader(fd);
    if (!reader.startsWith("\xFF\xD8", 2)) {
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
            reader.skip(3);
            if (!reader.number(2, true, height)) {
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
        reader.skip(length - 2);
    }
}

// Probes the open file with the probe of `format`, or not at all; the descriptor stays open.
std::uint32_t ProbeDescriptor(int fd, Format format) {
    switch (format) {
    case Format::Jpeg:
        return ProbeJpegFile(fd);
    case Format::Png:
        return ProbePngFile(fd);
    case Format::Gif:
        return ProbeGifFile(fd);
    case Format::Bmp:
        return ProbeBmpFile(fd);
    case Format::None:
        break;
    }
    return 0;
}

// The same, closing the descriptor after.
std::uint32_t ProbeOpened(int fd, Format format) {
    if (fd < 0) {
        return 0;
    }
    const UniqueFd file(fd);
    return ProbeDescriptor(fd, format);
}

} // namespace

std::uint32_t ProbeBmp(const QString& path) {
    return ProbeOpened(OpenRegular(path), Format::Bmp);
}

std::uint32_t ProbeGif(const QString& path) {
    return ProbeOpened(OpenRegular(path), Format::Gif);
}

std::uint32_t ProbePng(const QString& path) {
    return ProbeOpened(OpenRegular(path), Format::Png);
}

std::uint32_t ProbeJpeg(const QString& path) {
    return ProbeOpened(OpenRegular(path), Format::Jpeg);
}

std::uint32_t ProbeByExtension(const QString& path) {
    const Format format = FormatOfExtension(UpperExtension(path).mid(1).toUtf8().constData());
    return format == Format::None ? 0 : ProbeOpened(OpenRegular(path), format);
}

std::uint32_t ProbeOpenFile(int fd, const char* name) {
    return fd < 0 ? 0 : ProbeDescriptor(fd, FormatOfName(name));
}

QString TrueExtension(const QString& path) {
    const UniqueFd file(OpenRegular(path));
    if (file.fd() < 0) {
        return {};
    }
    if (ProbeJpegFile(file.fd()) != 0) {
        return QStringLiteral(".jpg");
    }
    if (ProbePngFile(file.fd()) != 0) {
        return QStringLiteral(".png");
    }
    if (ProbeGifFile(file.fd()) != 0) {
        return QStringLiteral(".gif");
    }
    if (ProbeBmpFile(file.fd()) != 0) {
        return QStringLiteral(".bmp");
    }
    return {};
}
