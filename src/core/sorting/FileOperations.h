#pragma once

#include "core/sorting/FileOpResult.h"
#include "core/sorting/Trash.h"

#include <QString>
#include <functional>

// The points a transfer passes, in order; a step hook sees each one.
enum class TransferStep {
    MarkerWritten,    // the marker naming the temporary file is on disk
    TempCreated,      // the temporary file exists, empty
    DataCopied,       // after each block copied into the temporary file
    Synced,           // the temporary file is complete and flushed
    TargetTrashed,    // a file the transfer replaces went to the trash; the new one takes its name next
    RenamedIntoPlace, // the target exists under its final name
    SourceRemoved,    // a move across volumes removed its source
};

// What a move or copy does when its target's name is taken.
enum class ExistingTarget {
    Refuse,  // it fails with EEXIST and changes nothing
    ToTrash, // the file there goes to the trash (a folder there is refused), see below
};

// Moving, copying, renaming and deleting single files for the program, safely:
// - Nothing is ever replaced in place. An existing target makes the operation fail, unless the
//   caller asks for it to go to the trash (the user chose to overwrite). Then it stays where it
//   is until everything else is done: it goes to the trash right before the new file takes its
//   name, and when that last rename fails it is put back, so a failed transfer leaves the old
//   file where it was.
// - A move within a volume is one rename. Across volumes, and for every copy, the data goes
//   to a temporary file in the destination folder, is flushed and its size checked, gets the
//   source's modification time and permission bits, and is renamed into place; a move removes
//   its source only then. Killed at any point, the source or a complete target exists, never
//   a partial file under the final name.
// - While a temporary file exists, a marker file in `pendingFolder` names it and is locked by
//   the process writing it; RemoveLeftovers() at the next start removes the temporary files
//   of transfers that were killed.
// - Delete moves to the trash; a picture is never unlinked.
// Plain blocking calls on the caller's thread.
class FileOperations {
public:
    FileOperations(QString pendingFolder, Trash trash);

    // File from `from` to the full path `to`. Folders only within a volume.
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

    // Removes the temporary files of transfers killed before they finished (markers whose
    // writer is gone); returns how many it removed.
    int RemoveLeftovers() const;

    const Trash& trash() const { return m_trash; }

    // Called at every step of a transfer; tests use it to kill the process part-way.
    void SetStepHook(std::function<void(TransferStep)> hook) { m_stepHook = std::move(hook); }

private:
    QString m_pendingFolder;
    Trash m_trash;
    std::function<void(TransferStep)> m_stepHook;
};
