// What every plug-in shipped with Ruvela shares: the description items, reading the input (a
// block in memory or a file at an offset), the size limit and the two output blocks. Header
// only; each plug-in compiles it into its own library. Every function here keeps no state, so
// several threads may call it at once.
#pragma once

#include "SusiePlugin.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

namespace ruvela_spi {

// The most pixels a plug-in decodes; a larger picture is refused before any large allocation.
constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;

// Writes `text` into `buf` cut to `buflen` bytes with the NUL; returns the length written.
inline int CopyText(const std::string& text, char* buf, int buflen) {
    if (buf == nullptr || buflen <= 0) {
        return 0;
    }
    const std::size_t length = std::min(text.size(), std::size_t(buflen - 1));
    std::memcpy(buf, text.data(), length);
    buf[length] = '\0';
    return int(length);
}

// GetPluginInfo of a plug-in with one pattern and one type name.
inline int PluginInfo(int infono, char* buf, int buflen, const std::string& name, const char* patterns,
                      const char* typeName) {
    switch (infono) {
    case 0:
        return CopyText(SUSIE_PICTURE_API, buf, buflen);
    case 1:
        return CopyText(name, buf, buflen);
    case 2:
        return CopyText(patterns, buf, buflen);
    case 3:
        return CopyText(typeName, buf, buflen);
    default:
        return 0;
    }
}

// The bytes of the picture: `buf` itself for memory input, else the file `buf` read from
// offset `len` into `storage`.
struct Input {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    std::vector<std::uint8_t> storage;
};

// Fills `input`; SUSIE_SUCCESS or the code to return.
inline int ReadInput(const char* buf, std::int32_t len, unsigned int flag, Input& input) {
    if (buf == nullptr || len < 0) {
        return SUSIE_FILE_READ_ERROR;
    }
    const unsigned int source = flag & 7u;
    if (source == SUSIE_INPUT_MEMORY) {
        input.data = reinterpret_cast<const std::uint8_t*>(buf);
        input.size = std::size_t(len);
        return SUSIE_SUCCESS;
    }
    if (source != SUSIE_INPUT_FILE) {
        return SUSIE_NOT_IMPLEMENTED;
    }
    std::FILE* file = std::fopen(buf, "rb");
    if (file == nullptr) {
        return SUSIE_FILE_READ_ERROR;
    }
    int result = SUSIE_FILE_READ_ERROR;
    if (std::fseek(file, 0, SEEK_END) == 0) {
        const long end = std::ftell(file);
        if (end >= len && std::fseek(file, len, SEEK_SET) == 0) {
            try {
                input.storage.resize(std::size_t(end - len));
                if (std::fread(input.storage.data(), 1, input.storage.size(), file) == input.storage.size()) {
                    input.data = input.storage.data();
                    input.size = input.storage.size();
                    result = SUSIE_SUCCESS;
                }
            } catch (const std::bad_alloc&) {
                result = SUSIE_NO_MEMORY;
            }
        }
    }
    std::fclose(file);
    return result;
}

// The start of GetPicture: both output pointers set to NULL and `input` filled; SUSIE_SUCCESS or
// the code to return.
inline int BeginPicture(const char* buf, std::int32_t len, unsigned int flag, void** pHBInfo, void** pHBm,
                        Input& input) {
    if (pHBInfo == nullptr || pHBm == nullptr) {
        return SUSIE_INTERNAL_ERROR;
    }
    *pHBInfo = nullptr;
    *pHBm = nullptr;
    return ReadInput(buf, len, flag, input);
}

// True when a picture of this size may be decoded.
inline bool SizeAllowed(std::int64_t width, std::int64_t height) {
    return width > 0 && height > 0 && width <= INT32_MAX && height <= INT32_MAX &&
           width * height <= kMaxPixels;
}

inline int FillPictureInfo(SusiePictureInfo* info, std::int64_t width, std::int64_t height, bool alpha) {
    if (info == nullptr) {
        return SUSIE_INTERNAL_ERROR;
    }
    if (!SizeAllowed(width, height)) {
        return SUSIE_NO_MEMORY;
    }
    *info = {};
    info->width = std::int32_t(width);
    info->height = std::int32_t(height);
    info->colorDepth = alpha ? 32 : 24;
    return SUSIE_SUCCESS;
}

// The two blocks GetPicture hands over: top-down rows of 24-bit BGR, or 32-bit BGRA with
// alpha, each padded to 4 bytes. Both blocks are freed unless hand() gave them away.
class OutputBitmap {
public:
    OutputBitmap() = default;
    OutputBitmap(const OutputBitmap&) = delete;
    OutputBitmap& operator=(const OutputBitmap&) = delete;
    ~OutputBitmap() {
        std::free(m_info);
        std::free(m_bits);
    }

    // SUSIE_SUCCESS, or the code to return when the size is refused or memory runs out.
    int allocate(std::int64_t width, std::int64_t height, bool alpha) {
        if (!SizeAllowed(width, height)) {
            return SUSIE_NO_MEMORY;
        }
        m_width = int(width);
        m_height = int(height);
        m_bytesPerPixel = alpha ? 4 : 3;
        m_stride = (std::size_t(m_width) * std::size_t(m_bytesPerPixel) + 3) & ~std::size_t(3);
        m_info = static_cast<SusieBitmapInfoHeader*>(std::calloc(1, sizeof(SusieBitmapInfoHeader)));
        m_bits = static_cast<std::uint8_t*>(std::malloc(m_stride * std::size_t(m_height)));
        if (m_info == nullptr || m_bits == nullptr) {
            return SUSIE_NO_MEMORY;
        }
        m_info->biSize = sizeof(SusieBitmapInfoHeader);
        m_info->biWidth = m_width;
        m_info->biHeight = -m_height;
        m_info->biPlanes = 1;
        m_info->biBitCount = std::uint16_t(m_bytesPerPixel * 8);
        m_info->biCompression = SUSIE_BI_RGB;
        m_info->biSizeImage = std::uint32_t(m_stride * std::size_t(m_height));
        // The padding bytes of each row are defined, not left as whatever malloc gave.
        const std::size_t used = std::size_t(m_width) * std::size_t(m_bytesPerPixel);
        if (used != m_stride) {
            for (int y = 0; y < m_height; ++y) {
                std::memset(row(y) + used, 0, m_stride - used);
            }
        }
        return SUSIE_SUCCESS;
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    int bytesPerPixel() const { return m_bytesPerPixel; }
    std::size_t stride() const { return m_stride; }
    std::uint8_t* bits() { return m_bits; }
    std::uint8_t* row(int y) { return m_bits + std::size_t(y) * m_stride; }

    // Gives both blocks to the caller.
    int hand(void** pHBInfo, void** pHBm) {
        *pHBInfo = m_info;
        *pHBm = m_bits;
        m_info = nullptr;
        m_bits = nullptr;
        return SUSIE_SUCCESS;
    }

private:
    SusieBitmapInfoHeader* m_info = nullptr;
    std::uint8_t* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    int m_bytesPerPixel = 3;
    std::size_t m_stride = 0;
};

// Swaps the first and third byte of each pixel of `count` pixels `step` bytes apart (RGB to
// BGR and back).
inline void SwapRedBlue(std::uint8_t* pixels, std::size_t count, int step) {
    for (std::size_t i = 0; i < count; ++i, pixels += step) {
        std::swap(pixels[0], pixels[2]);
    }
}

inline std::uint16_t Read16(const std::uint8_t* p, bool bigEndian) {
    return bigEndian ? std::uint16_t((p[0] << 8) | p[1]) : std::uint16_t(p[0] | (p[1] << 8));
}

inline std::uint32_t Read32(const std::uint8_t* p, bool bigEndian) {
    return bigEndian
               ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3]
               : p[0] | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
                     (std::uint32_t(p[3]) << 24);
}

// What the first directory of a classic TIFF file tells, read from the start of the file only
// (IsSupported sees 2048 bytes).
struct TiffHead {
    bool tiff = false;
    bool dng = false;      // DNGVersion
    bool canonRaw = false; // "CR" after the header, as a CR2 has
    bool make = false;     // Make
    bool subIfds = false;  // SubIFDs, where cameras put the raw picture
    bool cfa = false;      // PhotometricInterpretation CFA
};

inline TiffHead ReadTiffHead(const std::uint8_t* head, std::size_t size) {
    TiffHead result;
    if (size < 8) {
        return result;
    }
    const bool little = head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0;
    const bool big = head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42;
    const bool bigTiff = (head[0] == 'I' && head[1] == 'I' && head[2] == 43 && head[3] == 0) ||
                         (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 43);
    result.tiff = little || big || bigTiff;
    if (!little && !big) {
        return result;
    }
    result.canonRaw = size >= 10 && head[8] == 'C' && head[9] == 'R';
    const std::uint32_t ifd = Read32(head + 4, big);
    if (ifd < 8 || std::size_t(ifd) + 2 > size) {
        return result;
    }
    const std::size_t count = Read16(head + ifd, big);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = std::size_t(ifd) + 2 + i * 12;
        if (at + 12 > size) {
            break;
        }
        const std::uint16_t tag = Read16(head + at, big);
        result.dng |= tag == 50706;
        result.make |= tag == 271;
        result.subIfds |= tag == 330;
        if (tag == 262) {
            result.cfa = Read16(head + at + 8, big) == 32803;
        }
    }
    return result;
}

// A TIFF that holds a camera's raw picture rather than a picture to show as it is.
inline bool IsCameraRawTiff(const TiffHead& head) {
    return head.tiff && (head.dng || head.canonRaw || head.cfa || (head.make && head.subIfds));
}

} // namespace ruvela_spi
