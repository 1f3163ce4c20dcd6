#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <cstddef>

// File names on Linux are bytes; QString is UTF-16. Names that are valid UTF-8 map to their
// text. Every byte of a name that is not valid UTF-8 maps to one lone surrogate U+DC80 + byte,
// so the bytes come back unchanged. Qt's own file classes drop or mangle such names, so every
// file access of the program goes through these helpers.
QString PathFromNative(const char* bytes, std::size_t length);
QString PathFromNative(const QByteArray& bytes);
QByteArray NativePath(const QString& path);

// What stat(2) says of a path, following symbolic links.
struct PathFacts {
    bool exists = false;
    bool isFolder = false;
    qint64 size = 0;
    qint64 modifiedSeconds = 0;     // seconds since the epoch
    qint64 modifiedNanoseconds = 0; // the same moment in nanoseconds, to tell rewrites apart
    // The last change of the file or its status in nanoseconds: unlike the modification time no
    // program can set it back, so it tells apart a rewrite that kept the old modification time.
    qint64 changedNanoseconds = 0;
    quint64 inode = 0;
    quint64 device = 0; // with the inode, says whether two paths name one file
};
PathFacts StatPath(const QString& path);

// What a path names: nothing, a file, or a folder (symbolic links followed).
enum class PathType { None, File, Folder };
PathType PathKind(const QString& path);

// For each of `names`, the path in `folder` of the entry whose name is that name in any letter
// case ("PHOTO.TXT" for "photo.txt"), or an empty string when there is none. An entry spelled
// exactly as asked wins over the others. One pass over the folder for all the names.
QStringList FindNamesIgnoringCase(const QString& folder, const QStringList& names);

// Opens `file` on `path` through a descriptor of our own, so any file name works.
bool OpenFile(QFile& file, const QString& path, QIODevice::OpenMode mode);

// Reads at most `maxBytes` bytes from the start of `path`; empty when it cannot be read.
QByteArray ReadFileHead(const QString& path, qint64 maxBytes);

// Renames `from` to `to` without ever replacing an existing `to`. False with the reason in
// `error` when the name is taken or the rename fails.
bool RenameNoReplace(const QString& from, const QString& to, QString* error = nullptr);

// Makes the one folder `path` (its parent must exist), whatever bytes its name holds. False
// when it cannot be made or already exists.
bool MakeFolder(const QString& path);

// Writes all of `bytes` to the descriptor `fd`, going on after short writes and interruptions;
// 0 or the errno of the write that failed.
int WriteAll(int fd, const QByteArray& bytes);

// Replaces the file at `path` (or makes it) with `bytes` in one piece: they go to a temporary
// file in the same folder, reach the disk, and that file is renamed over `path`, so a crash
// leaves the old file or the new one. A replaced file keeps its permissions; a symbolic link is
// followed to the file it names. False, with the old file untouched, when any step fails.
bool WriteFileReplacing(const QString& path, const QByteArray& bytes);
