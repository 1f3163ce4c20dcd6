#pragma once

#include <QString>
#include <cstdint>

// Reads the pixel size of a picture from its first bytes without decoding it.
// Each returns (width << 16) | height, both cut to 16 bits, or 0 when the file is not of that
// format, its header is short, or it cannot be opened.
std::uint32_t ProbeBmp(const QString& path);
std::uint32_t ProbeGif(const QString& path);
std::uint32_t ProbePng(const QString& path);
std::uint32_t ProbeJpeg(const QString& path);

// The probe that the file's extension names; 0 for other extensions.
std::uint32_t ProbeByExtension(const QString& path);

// The same for a file already open as `fd`, whose `name` (bytes, zero-terminated) gives the
// format; the descriptor stays open. Reads the header in small blocks and only the blocks it
// needs. Any thread.
std::uint32_t ProbeOpenFile(int fd, const char* name);

// The format the contents say: ".jpg", ".png", ".gif", ".bmp" in that order of trial, or empty.
QString TrueExtension(const QString& path);
