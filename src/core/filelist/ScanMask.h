#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The extension test of a scan, prepared once from the mask so that a file name can be tested on
// its raw bytes, before any QString is made. It answers exactly as ExtensionInMask does: the
// extension is the last "." of the name and the text after it (not empty), upper-cased, and it
// matches when extension + ";" occurs in the mask. Read-only after construction, so any number
// of threads may test names at once.
class ScanMask {
public:
    explicit ScanMask(const QString& mask);

    // Tests the file name `name` (bytes, no folder part).
    bool Matches(const char* name, std::size_t length) const;

private:
    // Extensions of at most 8 bytes are held packed in one integer each, longer ones as bytes.
    std::vector<std::uint64_t> m_packed;
    std::vector<std::string> m_long;
    QString m_mask;
};
