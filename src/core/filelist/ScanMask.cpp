#include "core/filelist/ScanMask.h"

#include "core/common/NativePath.h"
#include "core/filelist/FileScan.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kPackedBytes = sizeof(std::uint64_t);

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Name bytes never hold a zero byte, so the zero padding keeps extensions of different lengths
// apart.
std::uint64_t Pack(const char* bytes, std::size_t length) {
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < length; ++i) {
        packed |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    }
    return packed;
}

} // namespace

ScanMask::ScanMask(const QString& mask) : m_mask(mask) {
    // Every text that starts at a "." and ends just before a later ";" without another "." in
    // between is an extension the mask accepts; an extension holds no "." of its own.
    const QByteArray bytes = mask.toUtf8();
    const qsizetype size = bytes.size();
    for (qsizetype dot = 0; dot < size; ++dot) {
        if (bytes[dot] != '.') {
            continue;
        }
        for (qsizetype end = dot + 1; end < size && bytes[end] != '.'; ++end) {
            if (bytes[end] != ';' || end == dot + 1) {
                continue;
            }
            const auto length = static_cast<std::size_t>(end - dot);
            if (length <= kPackedBytes) {
                m_packed.push_back(Pack(bytes.constData() + dot, length));
            } else {
                m_long.emplace_back(bytes.constData() + dot, length);
            }
        }
    }
    std::sort(m_packed.begin(), m_packed.end());
    m_packed.erase(std::unique(m_packed.begin(), m_packed.end()), m_packed.end());
}

bool ScanMask::Matches(const char* name, std::size_t length) const {
    const void* found = ::memrchr(name, '.', length);
    if (found == nullptr) {
        return false;
    }
    const std::size_t dot = static_cast<std::size_t>(static_cast<const char*>(found) - name);
    const std::size_t extLength = length - dot;
    if (extLength < 2) {
        return false;
    }
    const char* ext = name + dot;
    char upper[kPackedBytes];
    for (std::size_t i = 0; i < extLength; ++i) {
        if (static_cast<unsigned char>(ext[i]) >= 0x80) {
            // Upper-casing of letters past ASCII follows Unicode, as the text test does.
            return ExtensionInMask(PathFromNative(ext, extLength), m_mask);
        }
        if (i < kPackedBytes) {
            upper[i] = AsciiUpper(ext[i]);
        }
    }
    if (extLength <= kPackedBytes) {
        const std::uint64_t packed = Pack(upper, extLength);
        return std::find(m_packed.begin(), m_packed.end(), packed) != m_packed.end();
    }
    return std::any_of(m_long.begin(), m_long.end(), [&](const std::string& candidate) {
        if (candidate.size() != extLength) {
            return false;
        }
        for (std::size_t i = 0; i < extLength; ++i) {
            if (candidate[i] != AsciiUpper(ext[i])) {
                return false;
            }
        }
        return true;
    });
}
