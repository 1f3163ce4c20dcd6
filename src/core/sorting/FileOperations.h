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
    RenamedIntoPlace, // the target exists under its final name
    SourceRemoved,    // a move across volumes removed its source
};

// Moving, copying, renaming and deleting single files for the program, safely:
// - Nothing is ever replaced: an existing target makes the operation fail (the caller sends it
//   to the trash first when the user chose to overwrite).
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
    FileOpResult Move(const QString& from, const QString& to) const;
    // File from `from` to the full path `to`.
    FileOpResult Copy(const QString& from, const QString& to) const;
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
