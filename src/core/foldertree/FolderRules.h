#pragma once

#include <QString>
#include <QStringList>

// The most folders one answer of "フォルダを作成する" makes.
constexpr int kMaxFoldersAtOnce = 64;

// The names in an answer of "フォルダを作成する": split at "/" and at half-width spaces, a name
// in double quotation marks keeping its spaces, the quotation marks dropped, empty pieces left
// out. All names, in the order written; the caller makes at most `kMaxFoldersAtOnce`.
QStringList SplitFolderNames(const QString& answer);

// Why the folder `source` cannot be moved into the folder `target`, or empty when it can:
// the target is the source, lies inside it or already holds it; either is not a folder; or the
// target holds something of the source's name.
QString FolderMoveRefusal(const QString& source, const QString& target);

// The folder to view after `deleted` goes: its next sibling in the folder walk's order, else
// the one before it, else its parent.
QString FolderAfterDeletion(const QString& deleted);

// `path` is `folder` or lies inside it.
bool IsSameOrInside(const QString& path, const QString& folder);
