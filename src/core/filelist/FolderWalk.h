#pragma once

#include <QCollator>
#include <QCollatorSortKey>
#include <QString>
#include <QStringList>

// Steps from one folder to a neighbouring folder: up, to a sibling, into a child, and through
// the whole tree depth first. A folder's subfolders (hidden ones and links to folders
// included) are taken in case-insensitive name order of the user's locale. Each function reads
// the file system on the calling thread and returns the folder it arrives at, or an empty
// text when there is no such folder. A folder that cannot be read has no subfolders.

// That order of sibling folder names. Names that compare equal without case are ordered by
// their exact text, so every name has one place. Not shared between threads.
class FolderNameOrder {
public:
    FolderNameOrder();
    QCollatorSortKey KeyOf(const QString& name) const;
    // Whether (aKey, aName) comes before (bKey, bName); each key made by KeyOf of its name.
    static bool Before(const QCollatorSortKey& aKey, const QString& aName, const QCollatorSortKey& bKey,
                       const QString& bName) {
        const int compared = aKey.compare(bKey);
        return compared < 0 || (compared == 0 && aName < bName);
    }

private:
    QCollator m_collator;
    bool m_foldCase = false;
};

// The names of the subfolders of `folder` in that order.
QStringList SubfolderNames(const QString& folder);

// "/a/b" gives "/a", "/a" gives "/"; empty for "/" and for a path without "/".
QString ParentFolder(const QString& path);

// The subfolder of the parent that follows (or precedes) this folder's name. A folder that no
// longer exists still has the neighbours its name would have.
QString NextSiblingFolder(const QString& path);
QString PreviousSiblingFolder(const QString& path);

// The first (or last) subfolder of `path`.
QString FirstChildFolder(const QString& path);
QString LastChildFolder(const QString& path);

// The folder after `path` in a depth-first walk: its first child, else the next sibling of the
// nearest of itself and its ancestors that has one.
QString DepthFirstNextFolder(const QString& path);

// The folder before `path` in a depth-first walk: the deepest last descendant of the previous
// sibling (the sibling itself when it has no children), else the parent. A descent stops
// before entering a folder it has already passed through by a link.
QString DepthFirstPreviousFolder(const QString& path);
