#pragma once

#include "core/common/NativePath.h"

#include <QByteArray>
#include <functional>
#include <sys/types.h>
#include <vector>

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

// The names in the open folder `folder` but "." and "..", in byte order. 0 or errno.
int FolderNames(int folder, std::vector<QByteArray>* names);

// One entry of a folder tree as lstat(2) sees it: a link is the link itself.
struct TreeEntry {
    QByteArray path; // below the top folder of the tree: "sub/name"
    mode_t mode = 0; // file type and permission bits
    qint64 size = 0;
    bool mountPoint = false; // a folder where another file system or a bind mount starts; not entered
    bool removable = false;  // a folder whose entries this process may remove (write and search permission)
};

// Whether the entry `name` in `parent` is where a mount starts: another device than
// `parentDevice`, or the root of a bind mount.
bool IsMountPoint(int parent, const char* name, dev_t parentDevice);

// The entries below the folder `name` in `parent`, each folder before its contents, names in
// byte order; no link is followed and no mount point entered. 0, or the errno of the call that
// failed with `*failedAt` the path of the entry it failed on (empty for the top folder).
int ListTree(int parent, const QByteArray& name, std::vector<TreeEntry>* entries, QByteArray* failedAt);

// Removes `name` in `parent` and, when it is a folder, everything in it, depth first. No link is
// followed; a mount point (the folder itself or one inside) stops it with EBUSY. `removed` is called after
// each entry inside the folder goes. 0 or the errno of the call that failed.
int RemoveTree(int parent, const QByteArray& name, const std::function<void()>& removed = {});
