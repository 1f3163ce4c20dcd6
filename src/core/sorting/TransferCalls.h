#pragma once

#include "core/common/NativePath.h"

#include <QByteArray>
#include <sys/types.h>

// System calls shared by the trash and the file operations, on native byte paths and folder
// descriptors. Each returns 0 or the errno of the call that failed.

// Renames without ever replacing an existing `to`. On file systems that lack RENAME_NOREPLACE a
// file is linked and its old name removed (the link fails when the name is taken); a folder, and
// a file where hard links are refused, is renamed after checking the name is free.
int RenameNoReplaceAt(int fromFolder, const char* from, int toFolder, const char* to);

// Makes `path` and the folders above it that are missing, each with `mode`.
int MakeFolders(const QByteArray& path, mode_t mode);

// The folder part and the name part of a native path ("/a/b" -> "/a", "b"; "/b" -> "/", "b").
QByteArray FolderPart(const QByteArray& path);
QByteArray NamePart(const QByteArray& path);

// `path` made absolute against the current folder.
QByteArray AbsolutePath(const QByteArray& path);

// True when `path` holds a NUL, which would cut the name short at the system call.
inline bool HoldsNul(const QByteArray& path) {
    return path.contains('\0');
}
