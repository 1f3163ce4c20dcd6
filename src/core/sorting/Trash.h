#pragma once

#include "core/sorting/FileOpResult.h"

#include <QByteArray>
#include <QString>

// Where Trash::Put moved a file: enough to put it back.
struct TrashedEntry {
    QByteArray original; // the absolute path the file had
    QByteArray file;     // the file in the trash's "files" folder, absolute
    QByteArray info;     // its ".trashinfo", absolute
};

// The freedesktop.org Trash: files the user deletes, and files an overwrite replaces, are moved
// there with a ".trashinfo" beside them, so a file manager can put them back. A file on the
// volume of the home trash goes to the home trash; a file on another volume to
// "$topdir/.Trash/$uid" (when ".Trash" is a sticky folder and not a link) or else to
// "$topdir/.Trash-$uid" (owned by the user, not a link). Files on a tmpfs or a system mount
// that is not the volume of the home trash are refused: their trash would not outlive a
// restart. The ".trashinfo" is written completely before the file moves, and a picture is never
// unlinked: when it cannot be moved into a trash it stays where it was.
// Plain blocking calls; safe on any thread.
class Trash {
public:
    // `homeTrash` is the home trash folder, normally HomeTrashFolder().
    explicit Trash(QString homeTrash);

    // "$XDG_DATA_HOME/Trash", or "~/.local/share/Trash" when XDG_DATA_HOME is unset or relative.
    static QString HomeTrashFolder();

    const QString& homeTrash() const { return m_homeTrash; }

    // Moves `path` (a file, a folder or a link itself) into the trash of its volume; `entry`,
    // when given, learns where it went.
    FileOpResult Put(const QString& path, TrashedEntry* entry = nullptr) const;

    // Moves a file Put has just moved back to its old name, never over something that has taken
    // the name since, and removes its ".trashinfo".
    static FileOpResult PutBack(const TrashedEntry& entry);

private:
    QString m_homeTrash;
};
