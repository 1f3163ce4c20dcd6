#pragma once

#include "core/filelist/SortOrder.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

struct Options;

// One file of the current list: its full path and the 32-bit sort key of the active order.
struct FileEntry {
    QString path;
    std::int32_t key = 0;
};
using FileEntries = std::vector<FileEntry>;

// Which files a scan takes: the upper-case extension mask ("*.BMP;*.JPG;…") and the size
// bounds, inclusive.
struct ScanRule {
    QString mask;
    qint64 minSize = 128;
    qint64 maxSize = 2048000000;
    SortOrder sortMode = SortOrder::FileSystem; // the order to compute keys for and to sort by
};

// Builds the mask from the plug-ins' patterns and the built-in switches.
QString BuildScanMask(const QString& pluginPatterns, const Options& options);

// True when `fileName`'s extension (with its dot, upper case) followed by ";" occurs in `mask`.
bool ExtensionInMask(const QString& fileName, const QString& mask);

// Scans one folder, no subfolders: fills `list` with the accepted files in the order of the
// active sort and returns the total of their sizes. A folder that cannot be read gives nothing.
qint64 FileSearch(FileEntries& list, const QString& folder, const ScanRule& rule);

// Progress of a subfolder scan, reported on the scanning thread as each folder is entered.
// Returning false stops the scan.
using ScanProgress = std::function<bool(const QString& folder, int found, int lookedAt)>;

// Scans the folder and every folder below it, depth first in file-system order. Symbolic links
// to folders are followed once, never into a loop. After a stop the partial list is returned
// unsorted; `stopped` tells which happened. `beforeSort` is called when the walk ended without a
// stop, right before the list is sorted.
qint64 FullSearch(FileEntries& list, const QString& folder, const ScanRule& rule,
                  const ScanProgress& progress, bool* stopped = nullptr,
                  const std::function<void()>& beforeSort = {});

// Orders `list` by `order`, from the paths and the keys the scan stored (SortOrder.h):
// file-system order as it is; Name / NameDescending path ascending / descending; Extension
// extension, then path; Shuffle a fresh random order; Size / SizeDescending and Modified /
// ModifiedDescending, ascending with equal keys by path ascending / descending with equal keys
// by path descending; Width, Height, Pixels larger first with equal keys by path; Shape4To3 /
// Shape16To9 landscape pictures closest to the shape 3:4 / 9:16 (height / width) first, then
// portrait and square ones, squarer first, then pictures of unknown size. Texts compare without
// case in the user's locale. Codes that name no order leave the list as it is.
void SortFileList(FileEntries& list, SortOrder order);
