#pragma once

#include "core/sorting/FileOpResult.h"
#include "core/sorting/Trash.h"

#include <QString>
#include <functional>

// The points a transfer passes, in order; a step hook sees each one.
enum class TransferStep {
    MarkerWritten,      // a marker naming a temporary file or folder is on disk (a folder moved to
                        // another volume writes a second one before its source is set aside)
    TempCreated,        // the temporary file or folder exists, empty
    DataCopied,         // after each block copied into a temporary file
    Synced,             // the temporary file or folder is complete and flushed, down to its last entry
    TargetTrashed,      // a file the transfer replaces went to the trash; the new one takes its name next
    RenamedIntoPlace,   // the target exists under its final name
    SourceSetAside,     // a folder moved to another volume: its source, checked against the copy, has
                        // a temporary name in its own folder and is about to be removed
    SourceEntryRemoved, // after each entry of that set-aside source is removed
    SourceRemoved,      // a move across volumes removed its source
};

// What a move or copy does when its target's name is taken.
enum class ExistingTarget {
    Refuse,  // it fails with EEXIST and changes nothing
    ToTrash, // the file there goes to the trash (a folder there is refused), see below
};

// Moving, copying, renaming and deleting files and folders for the program, safely:
// - Nothing is ever replaced in place. An existing target makes the operation fail, unless the
//   caller asks for it to go to the trash (the user chose to overwrite). Then it stays where it
//   is until everything else is done: it goes to the trash right before the new file takes its
//   name, and when that last rename fails it is put back, so a failed transfer leaves the old
//   file where it was.
// - A move within a volume is one rename, for files and folders alike. Across volumes, and for
//   every copy of a file, the data goes to a temporary file in the destination folder, is flushed
//   and its size checked, gets the source's modification time and permission bits, and is renamed
//   into place; a move removes its source only then. Killed at any point, the source or a complete
//   target exists, never a partial file under the final name.
// - A folder moved to another volume is refused before anything is written when its tree holds
//   what cannot be carried over (a pipe, a socket, a device file, a mounted volume) or a folder
//   whose entries may not be removed. Otherwise its tree is copied into a temporary folder beside
//   the target: files with their data, mode and times; links as links, never followed; each
//   folder gets its mode and times once its contents are in. Every entry is flushed. The copy
//   must then hold the same names, kinds and file sizes as the source, else the move fails. It is
//   renamed into place; then the source is renamed to a temporary name in its own folder, checked
//   once more and removed entry by entry. Killed at any point, the disk holds the source, or the
//   source and the target, or the target, each whole, plus temporary names the next start
//   removes. Hard links inside the tree arrive as separate files.
// - While a temporary file or folder exists, a marker file in `pendingFolder` names it and is
//   locked by the process writing it; RemoveLeftovers() at the next start removes the temporary
//   files and folders of transfers that were killed, among them a set-aside source whose copy
//   was already in place.
// - A failed transfer removes its temporary file or folder and leaves the source whole.
// - Delete moves to the trash; a picture is never unlinked, but as the last step of a move whose
//   copy is complete.
// Plain blocking calls on the caller's thread.
class FileOperations {
public:
    FileOperations(QString pendingFolder, Trash trash);

    // File or folder from `from` to the full path `to`.
    FileOpResult Move(const QString& from, const QString& to,
                      ExistingTarget existing = ExistingTarget::Refuse) const;
    // File from `from` to the full path `to`.
    FileOpResult Copy(const QString& from, const QString& to,
                      ExistingTarget existing = ExistingTarget::Refuse) const;
    // `path` (file or folder) to the trash.
    FileOpResult Delete(const QString& path) const;
    // A file or folder to the new name `to` (a name, not a path) in the same folder. Refuses a
    // new name that is empty, ".", "..", holds "/" (a path into another folder) or is taken.
    FileOpResult Rename(const QString& from, const QString& to) const;

    // Removes the temporary files and folders of transfers killed before they finished (markers
    // whose writer is gone); returns how many it removed.
    int RemoveLeftovers() const;

    const Trash& trash() const { return m_trash; }

    // Called at every step of a transfer; tests use it to kill the process part-way.
    void SetStepHook(std::function<void(TransferStep)> hook) { m_stepHook = std::move(hook); }

private:
    QString m_pendingFolder;
    Trash m_trash;
    std::function<void(TransferStep)> m_stepHook;
};
