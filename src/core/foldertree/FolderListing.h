#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// What the folder tree shows of the file system: the subfolders of one folder, and the mounted
// volumes. Both read the file system on the calling thread and may block there as long as the
// file system does (a network mount that stopped answering), so they are called on worker
// threads.

// One subfolder, or a symbolic link to a folder.
struct SubfolderEntry {
    QString name;
    // Of the folder itself: a link is followed once.
    quint64 device = 0;
    quint64 inode = 0;
    bool isLink = false;
    // It holds at least one folder (or link to one) of its own.
    bool hasSubfolders = false;
};

struct FolderListing {
    // False when the folder could not be opened or read; `error` then says why.
    bool ok = false;
    QString error;
    // The folder listed, links followed.
    quint64 device = 0;
    quint64 inode = 0;
    // In the order of the folder walk (FolderNameOrder).
    std::vector<SubfolderEntry> subfolders;
};

// The subfolders of `folder`, hidden ones and links to folders included; files, dangling links
// and links to files are left out.
FolderListing ListSubfolders(const QString& folder);

struct MountedVolume {
    QString mountPath;
    // The volume's name and its path, or the path alone for a volume without a name.
    QString display;
};

// Whether a file system of type `type` mounted at `mountPath` holds the user's folders, rather
// than being one of the kernel's or the system's own (proc, cgroups, a tmpfs under /run, a snap
// package, a container's layers).
bool IsUserVolume(const QByteArray& type, const QString& mountPath);

// "/" first, then every other mounted volume that is ready and holds the user's folders, in the
// order of the mount table, each mount path once.
std::vector<MountedVolume> ListVolumes();
