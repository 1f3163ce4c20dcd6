#include "core/imaging/TSpiLib32.h"

#include "core/common/NativePath.h"
#include "core/common/TextEncoding.h"
#include "plugins/SusiePlugin.h"

#include <QDir>
#include <QLibrary>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <malloc.h>
#include <mutex>
#include <utility>

namespace {

constexpr std::uint64_t kMaxPixels = std::uint64_t(1) << 28;
constexpr std::size_t kHeaderSize = sizeof(SusieBitmapInfoHeader);
constexpr std::size_t kMasksEnd = kHeaderSize + 12;     // the three colour masks of BITFIELDS
constexpr std::size_t kAlphaMaskEnd = kHeaderSize + 16; // a longer header's alpha mask
constexpr std::size_t kIsSupportedBytes = 2048;

std::uint32_t Read32(const std::uint8_t* at) {
    return qFromLittleEndian<std::uint32_t>(at);
}

// One colour channel of a packed pixel under a mask, scaled to 0..255. Any mask is safe,
// contiguous or not.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m) : mask(m) {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    int operator()(std::uint32_t pixel) const {
        if (max == 0) {
            return 0;
        }
        return int((std::uint64_t((pixel & mask) >> shift) * 255 + max / 2) / max);
    }
};

bool Fail(QString* reason, const QString& why) {
    if (reason) {
        *reason = why;
    }
    return false;
}

struct Header {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;
    int bitCount;
    std::uint32_t compression;
    std::uint32_t clrUsed;
};

Header ReadHeader(const std::uint8_t* info) {
    SusieBitmapInfoHeader raw;
    std::memcpy(&raw, info, kHeaderSize);
    return Header{qFromLittleEndian(raw.biSize),        qFromLittleEndian(raw.biWidth),
                  qFromLittleEndian(raw.biHeight),      qFromLittleEndian(raw.biBitCount),
                  qFromLittleEndian(raw.biCompression), qFromLittleEndian(raw.biClrUsed)};
}

// RGB of each index; the indices past the table are black.
using Palette = std::array<std::array<std::uint8_t, 3>, 256>;

Palette ReadPalette(const std::uint8_t* table, std::uint64_t tableCount) {
    Palette palette{};
    for (std::uint64_t i = 0; i < tableCount && i < palette.size(); ++i) {
        palette[i] = {table[i * 4 + 2], table[i * 4 + 1], table[i * 4]};
    }
    return palette;
}

// One row of 1, 4 or 8 bits through the colour table.
void ConvertIndexed(const Header& h, const Palette& palette, const std::uint8_t* row, std::uint8_t* out) {
    const int bits = h.bitCount;
    const int perByte = 8 / bits;
    const unsigned indexMask = (1u << bits) - 1;
    for (std::int32_t x = 0; x < h.width; ++x) {
        const std::uint8_t byte = row[x / perByte];
        const int shift = 8 - bits * (x % perByte + 1);
        const auto& colour = palette[(byte >> shift) & indexMask];
        std::memcpy(out + std::size_t(x) * 3, colour.data(), 3);
    }
}

} // namespace

namespace {

// DibToImage; with `adoptable` (the same block as `bits`, the caller's to give away) top-down
// 24-bit rows are turned into the picture's pixels where they lie: only red and blue change
// places. Then `*adopted` is set: the block belongs to the picture, which frees it.
bool ConvertDib(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits,
                std::size_t bitsSize, std::uint8_t* adoptable, bool* adopted, QImage* out, QString* reason) {
    *out = QImage();
    if (info == nullptr || infoSize < kHeaderSize) {
        return Fail(reason, QStringLiteral("the info block is smaller than a bitmap header"));
    }
    const Header h = ReadHeader(info);
    if (h.size < kHeaderSize) {
        return Fail(reason, QStringLiteral("header size %1 is below 40").arg(h.size));
    }
    if (h.width <= 0 || h.height == 0) {
        return Fail(reason, QStringLiteral("size %1 x %2").arg(h.width).arg(h.height));
    }
    const std::uint64_t width = std::uint64_t(h.width);
    const std::uint64_t height = std::uint64_t(std::abs(std::int64_t(h.height)));
    if (width * height > kMaxPixels) {
        return Fail(reason, QStringLiteral("size %1 x %2 is too large").arg(width).arg(height));
    }
    const int bitCount = h.bitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32) {
        return Fail(reason, QStringLiteral("bit count %1").arg(bitCount));
    }
    const bool bitfields = h.compression == SUSIE_BI_BITFIELDS;
    if (!(h.compression == SUSIE_BI_RGB || (bitfields && (bitCount == 16 || bitCount == 32)))) {
        return Fail(reason, QStringLiteral("compression %1 at %2 bits").arg(h.compression).arg(bitCount));
    }
    const std::uint64_t tableLimit = std::uint64_t(1) << bitCount;
    const std::uint64_t tableCount = h.clrUsed == 0 && bitCount <= 8 ? tableLimit : h.clrUsed;
    if (tableCount > tableLimit) {
        return Fail(reason, QStringLiteral("%1 colours at %2 bits").arg(tableCount).arg(bitCount));
    }
    // With BITFIELDS the masks follow a 40-byte header, or are its next fields in a longer one;
    // the table comes after both.
    const std::uint64_t tableAt = std::max<std::uint64_t>(h.size, bitfields ? kMasksEnd : 0);
    if (tableAt + tableCount * 4 > infoSize) {
        return Fail(
            reason,
            QStringLiteral("the info block (%1 bytes) does not hold the header and the table").arg(infoSize));
    }
    const std::uint64_t stride = (width * std::uint64_t(bitCount) + 31) / 32 * 4;
    if (bits == nullptr || stride * height > bitsSize) {
        return Fail(reason, QStringLiteral("the bits block (%1 bytes) does not hold %2 rows of %3 bytes")
                                .arg(bitsSize)
                                .arg(height)
                                .arg(stride));
    }

    const bool bottomUp = h.height > 0;
    auto sourceRow = [&](std::uint64_t y) { return bits + (bottomUp ? height - 1 - y : y) * stride; };

    std::uint32_t masks[4] = {0, 0, 0, 0};
    if (bitfields) {
        for (int i = 0; i < 3; ++i) {
            masks[i] = Read32(info + kHeaderSize + std::size_t(i) * 4);
        }
        if (bitCount == 32 && h.size >= kAlphaMaskEnd) {
            masks[3] = Read32(info + kMasksEnd);
        }
    } else if (bitCount == 16) {
        masks[0] = 0x7C00;
        masks[1] = 0x03E0;
        masks[2] = 0x001F;
    } else if (bitCount == 32) {
        masks[0] = 0x00FF0000;
        masks[1] = 0x0000FF00;
        masks[2] = 0x000000FF;
        masks[3] = 0xFF000000;
    }
    const Channel red(masks[0]);
    const Channel green(masks[1]);
    const Channel blue(masks[2]);
    const Channel alpha(masks[3]);

    // 32-bit rows carry alpha only when some pixel's alpha is not 0; all zero means "unused".
    bool hasAlpha = false;
    if (bitCount == 32 && masks[3] != 0) {
        for (std::uint64_t y = 0; y < height && !hasAlpha; ++y) {
            const std::uint8_t* row = sourceRow(y);
            for (std::uint64_t x = 0; x < width; ++x) {
                if ((Read32(row + x * 4) & masks[3]) != 0) {
                    hasAlpha = true;
                    break;
                }
            }
        }
    }

    if (adoptable != nullptr && bitCount == 24 && !bottomUp) {
        for (std::uint64_t y = 0; y < height; ++y) {
            std::uint8_t* row = adoptable + y * stride;
            for (std::uint64_t x = 0; x < width; ++x) {
                std::swap(row[x * 3], row[x * 3 + 2]);
            }
        }
        QImage rows(
            adoptable, int(width), int(height), qsizetype(stride), QImage::Format_RGB888,
            [](void* block) { std::free(block); }, adoptable);
        if (rows.isNull()) {
            return Fail(reason, QStringLiteral("no picture for %1 x %2").arg(width).arg(height));
        }
        *adopted = true;
        *out = std::move(rows);
        return true;
    }
    QImage image(int(width), int(height), hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB888);
    if (image.isNull()) {
        return Fail(reason, QStringLiteral("no memory for %1 x %2").arg(width).arg(height));
    }
    const Palette palette = bitCount <= 8 ? ReadPalette(info + tableAt, tableCount) : Palette{};
    for (std::uint64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = sourceRow(y);
        std::uint8_t* line = image.scanLine(int(y));
        if (bitCount <= 8) {
            ConvertIndexed(h, palette, row, line);
        } else if (bitCount == 24) {
            for (std::uint64_t x = 0; x < width; ++x) {
                line[x * 3] = row[x * 3 + 2];
                line[x * 3 + 1] = row[x * 3 + 1];
                line[x * 3 + 2] = row[x * 3];
            }
        } else if (hasAlpha) {
            auto* argb = reinterpret_cast<QRgb*>(line);
            for (std::uint64_t x = 0; x < width; ++x) {
                const std::uint32_t p = Read32(row + x * 4);
                argb[x] = qRgba(red(p), green(p), blue(p), alpha(p));
            }
        } else {
            const int bytes = bitCount / 8;
            for (std::uint64_t x = 0; x < width; ++x) {
                const std::uint32_t p =
                    bytes == 2 ? qFromLittleEndian<std::uint16_t>(row + x * 2) : Read32(row + x * 4);
                line[x * 3] = std::uint8_t(red(p));
                line[x * 3 + 1] = std::uint8_t(green(p));
                line[x * 3 + 2] = std::uint8_t(blue(p));
            }
        }
    }
    *out = std::move(image);
    return true;
}

} // namespace

bool DibToImage(const std::uint8_t* info, std::size_t infoSize, const std::uint8_t* bits,
                std::size_t bitsSize, QImage* out, QString* reason) {
    return ConvertDib(info, infoSize, bits, bitsSize, nullptr, nullptr, out, reason);
}

struct TSpiLib32::PlugIn {
    using GetPluginInfoFn = int (*)(int, char*, int);
    using IsSupportedFn = int (*)(const char*, void*);
    using GetPictureInfoFn = int (*)(const char*, std::int32_t, unsigned int, SusiePictureInfo*);
    using GetPictureFn = int (*)(const char*, std::int32_t, unsigned int, void**, void**,
                                 SusieProgressCallback, std::int32_t);
    using ConfigurationDlgFn = int (*)(void*, int);
    using ThreadSafeFn = int (*)();

    QLibrary library;
    QString apiVersion;
    QString description;
    QString pattern;
    QString typeName;
    GetPluginInfoFn getPluginInfo = nullptr;
    IsSupportedFn isSupported = nullptr;
    GetPictureInfoFn getPictureInfo = nullptr;
    GetPictureFn getPicture = nullptr;
    GetPictureFn getPreview = nullptr;
    ConfigurationDlgFn configurationDlg = nullptr;
    bool threadSafe = false;
    // Held around every call into a plug-in that is not thread-safe.
    mutable std::mutex calls;

    // Item `number` of GetPluginInfo; empty when the plug-in has none.
    QString Info(int number) const {
        char buffer[256] = {};
        const int length = getPluginInfo(number, buffer, 255);
        if (length <= 0) {
            return {};
        }
        buffer[255] = '\0';
        return DecodeText(QByteArray(buffer, int(strnlen(buffer, 255))));
    }

    // Runs `call` under the mutex unless the plug-in may be entered by several threads at once.
    template <typename Call> int Enter(Call call) const {
        if (threadSafe) {
            return call();
        }
        const std::lock_guard lock(calls);
        return call();
    }
};

TSpiLib32::TSpiLib32() = default;

TSpiLib32::~TSpiLib32() {
    FreePlugIns();
}

void TSpiLib32::LoadPlugIns(const QString& folder) {
    const QDir dir(folder);
    if (!dir.exists()) {
        return;
    }
    // Name order stands in for the order of the folder's listing, so that which plug-in wins a
    // file two of them claim does not change from one run (or one file system) to the next.
    QStringList paths;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        if (name.endsWith(QLatin1String(".spi"), Qt::CaseInsensitive)) {
            paths.append(dir.filePath(name));
        }
    }
    LoadPlugInFiles(paths);
}

void TSpiLib32::LoadPlugInFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        auto plugIn = std::make_unique<PlugIn>();
        plugIn->library.setFileName(path);
        if (!plugIn->library.load()) {
            continue;
        }
        plugIn->getPluginInfo =
            reinterpret_cast<PlugIn::GetPluginInfoFn>(plugIn->library.resolve("GetPluginInfo"));
        if (plugIn->getPluginInfo == nullptr) {
            plugIn->library.unload();
            continue;
        }
        char version[256] = {};
        plugIn->getPluginInfo(0, version, 255);
        version[255] = '\0';
        if (std::strcmp(version, SUSIE_PICTURE_API) != 0) {
            plugIn->library.unload();
            continue;
        }
        // Released by FreePlugIns, a picture plug-in is never unmapped: the libraries it uses may
        // keep blocks and exit handlers (an HEVC encoder does) that would point into unmapped
        // code at exit.
        if (void* pinned = ::dlopen(NativePath(path).constData(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE)) {
            ::dlclose(pinned);
        }
        plugIn->apiVersion = QString::fromLatin1(version);
        plugIn->description = plugIn->Info(1);
        plugIn->pattern = plugIn->Info(2);
        plugIn->typeName = plugIn->Info(3);
        auto resolve = [&](const char* name) { return plugIn->library.resolve(name); };
        plugIn->isSupported = reinterpret_cast<PlugIn::IsSupportedFn>(resolve("IsSupported"));
        plugIn->getPictureInfo = reinterpret_cast<PlugIn::GetPictureInfoFn>(resolve("GetPictureInfo"));
        plugIn->getPicture = reinterpret_cast<PlugIn::GetPictureFn>(resolve("GetPicture"));
        plugIn->getPreview = reinterpret_cast<PlugIn::GetPictureFn>(resolve("GetPreview"));
        plugIn->configurationDlg = reinterpret_cast<PlugIn::ConfigurationDlgFn>(resolve("ConfigurationDlg"));
        const auto threadSafe = reinterpret_cast<PlugIn::ThreadSafeFn>(resolve("RuvelaPluginThreadSafe"));
        plugIn->threadSafe = threadSafe != nullptr && threadSafe() != 0;
        m_pFilter += plugIn->pattern + QLatin1Char(';');
        m_plugIns.push_back(std::move(plugIn));
    }
    m_picPlugInList.clear();
    ListPlugIns(m_picPlugInList, false);
}

void TSpiLib32::FreePlugIns() {
    for (const auto& plugIn : m_plugIns) {
        plugIn->library.unload();
    }
    m_plugIns.clear();
    m_picPlugInList.clear();
    m_pFilter.clear();
}

void TSpiLib32::ListPlugIns(QStringList& list, bool clear) const {
    if (clear) {
        list.clear();
    }
    for (const auto& plugIn : m_plugIns) {
        list.append(plugIn->description);
    }
}

SpiResult TSpiLib32::DecodeFile(const QString& path, QImage* image) const {
    *image = QImage();
    if (m_plugIns.empty()) {
        return {};
    }
    FileBytes file;
    if (!file.open(path)) {
        return {SpiStatus::Unreadable, QStringLiteral("cannot read %1").arg(path), file.failure()};
    }
    return DecodeMemory(file.data(), std::size_t(file.size()), image);
}

SpiResult TSpiLib32::DecodeMemory(const std::uint8_t* data, std::size_t size, QImage* image) const {
    *image = QImage();
    // IsSupported may read 2048 bytes whatever the file's size.
    std::array<std::uint8_t, kIsSupportedBytes> head{};
    void* start = const_cast<std::uint8_t*>(data);
    if (size < kIsSupportedBytes) {
        if (size > 0) {
            std::memcpy(head.data(), data, size);
        }
        start = head.data();
    }
    const PlugIn* chosen = nullptr;
    for (const auto& plugIn : m_plugIns) {
        if (plugIn->isSupported != nullptr &&
            plugIn->Enter([&] { return plugIn->isSupported(nullptr, start); }) != 0) {
            chosen = plugIn.get();
            break;
        }
    }
    if (chosen == nullptr) {
        return {};
    }
    const QString who = chosen->description;
    if (chosen->getPicture == nullptr) {
        return {SpiStatus::Failed, QStringLiteral("%1 has no GetPicture").arg(who)};
    }
    if (size > std::size_t(INT32_MAX)) {
        return {SpiStatus::Failed, QStringLiteral("%1 bytes are too many for a plug-in").arg(size)};
    }
    void* info = nullptr;
    void* bits = nullptr;
    const int code = chosen->Enter([&] {
        return chosen->getPicture(reinterpret_cast<const char*>(data), std::int32_t(size), SUSIE_INPUT_MEMORY,
                                  &info, &bits, nullptr, 0);
    });
    SpiResult result;
    bool adopted = false;
    if (code != SUSIE_SUCCESS) {
        result = {SpiStatus::Failed, QStringLiteral("%1 answered %2").arg(who).arg(code)};
    } else if (info == nullptr || bits == nullptr) {
        result = {SpiStatus::Failed, QStringLiteral("%1 answered no block").arg(who)};
    } else {
        QString reason;
        auto* rows = static_cast<std::uint8_t*>(bits);
        if (ConvertDib(static_cast<const std::uint8_t*>(info), malloc_usable_size(info), rows,
                       malloc_usable_size(bits), rows, &adopted, image, &reason)) {
            result.status = SpiStatus::Decoded;
        } else {
            result = {SpiStatus::Failed, who + QStringLiteral(": ") + reason};
        }
    }
    if (!adopted) {
        std::free(bits);
    }
    std::free(info);
    return result;
}
