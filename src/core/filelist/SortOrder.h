#pragma once

#include <cstdint>

// The sort orders of the file list, by their stored codes. A scan stores one signed 32-bit key
// per file for the active order while it looks the files up; SortFileList (FileScan.h) orders
// the list once, after the last file.

// What the key of an order is made of. Only these orders read more than the folder entry.
enum class SortKeySource {
    None,         // the name orders, shuffle, file-system order
    Size,         // 2, 18: the size in bytes
    ModifiedTime, // 3, 19: the packed local modification time
    PictureSize,  // 9, 10, 11, 12, 16: width and height from the file's header
};
SortKeySource SortKeySourceOf(int sortMode);

// The key of a picture-size order from the header probe's (width << 16) | height, 0 when the
// size could not be read: 10 swaps the halves, 11 is the pixel count (at most INT32_MAX), the
// others keep the probe's value.
std::int32_t PictureSortKey(int sortMode, std::uint32_t probed);
