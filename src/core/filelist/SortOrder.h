#pragma once

#include <cstdint>

// The sort orders of the file list. A scan stores one signed 32-bit key per file for the active
// order while it looks the files up; SortFileList (FileScan.h) orders the list once, after the
// last file.

// Each order's value is its code in the settings file ("SortNo") and in the sort menu's items.
// A code that names no order is kept as it is, so it goes back to the settings file unchanged,
// and sorts as the file-system order does.
enum class SortOrder : int {
    FileSystem = 0,
    Name = 1,
    Size = 2,
    Modified = 3,
    Extension = 4,
    Shuffle = 8,
    Width = 9,
    Height = 10,
    Pixels = 11,
    Shape4To3 = 12,
    Shape16To9 = 16,
    NameDescending = 17,
    SizeDescending = 18,
    ModifiedDescending = 19,
};

// The one way between the stored code and the order.
constexpr SortOrder SortOrderOfCode(int code) {
    return static_cast<SortOrder>(code);
}
constexpr int SortCodeOf(SortOrder order) {
    return static_cast<int>(order);
}

// What the key of an order is made of. Only these orders read more than the folder entry.
enum class SortKeySource {
    None,         // the name orders, shuffle, file-system order
    Size,         // Size, SizeDescending: the size in bytes
    ModifiedTime, // Modified, ModifiedDescending: the packed local modification time
    PictureSize,  // Width, Height, Pixels, Shape4To3, Shape16To9: width and height from the header
};
SortKeySource SortKeySourceOf(SortOrder order);

// The key of a picture-size order from the header probe's (width << 16) | height, 0 when the
// size could not be read: Height swaps the halves, Pixels is the pixel count (at most
// INT32_MAX), the others keep the probe's value.
std::int32_t PictureSortKey(SortOrder order, std::uint32_t probed);
