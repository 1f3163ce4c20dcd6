#pragma once

#include "core/common/UserPrompts.h"
#include "core/settings/Options.h"
#include "core/sorting/ConflictFacts.h"
#include "core/sorting/FileOperations.h"
#include "core/sorting/UndoJournal.h"

#include <QObject>
#include <QStringList>
#include <optional>

// The one routine every copy, move and delete of picture files goes through: it checks the
// destination, asks about missing files and name clashes with files (through the conflict
// dialog; a folder of the name is refused), has overwritten files sent to the trash once the
// new file is ready to take the name, writes the journal records of the batch, tells the
// check lists what moved and shows its progress in the application title. GUI thread; the
// progress and the questions let window events run, so the windows lock themselves while
// `interfaceLocked` says so.
class TransferBatch : public QObject {
    Q_OBJECT

public:
    TransferBatch(UserPrompts& prompts, const Options& options, UndoJournal& journal,
                  const FileOperations& files, QObject* parent = nullptr);

    // The same-name conflict dialog; without one every clash stops the batch.
    void SetConflictDialog(ConflictDialog* dialog) { m_dialog = dialog; }

    // Whether a batch tells the user how it goes: the progress title and the closing summary
    // are shown, or the batch is quiet (a single keypress sort). The questions come either way.
    enum class Feedback { Shown, Quiet };

    // Copies, moves or deletes `files` (full paths) into `destination` (ignored for delete);
    // a non-empty `label` brackets the batch with label records in the journal. Returns the
    // number of files done.
    int ListOperation2(const QStringList& files, const QString& destination, const QString& label,
                       TransferOp op, Feedback feedback);

    // One file or folder, no dialog, no journal: move, copy, delete (to the trash) or rename.
    FileOpResult taFileOperation(const QString& from, const QString& to, TransferOp op) const;
    // A folder from `from` to the full path `to`, no dialog, no journal. The move runs on a
    // worker thread (to another volume it copies the whole folder) while the window waits with
    // the interface locked and "フォルダを移動中 : " before the title.
    FileOpResult MoveFolder(const QString& from, const QString& to);

    // Whether a batch holds the interface locked now.
    bool locked() const { return m_lockDepth > 0; }
    // Batches of undo and redo steps hold the interface the same way.
    void Lock(bool on);

    // Tell the check lists that a file moved or went away, for moves made outside a batch.
    void ListFileReplace(const QString& from, const QString& to) { emit fileMoved(from, to); }
    void ListFileDelete(const QString& path) { emit fileDeleted(path); }
    void ListFolderReplace(const QString& from, const QString& to) { emit folderMoved(from, to); }
    // Progress of a batch of undo or redo steps before the title; empty restores it.
    void ShowProgress(const QString& prefix) { emit progressTitle(prefix); }

signals:
    // A batch started (true) or ended (false): the windows disable their menus and panels.
    void interfaceLocked(bool locked);
    // The text put before the application title while a batch runs ("移動中 2/5 : "); empty
    // when the title is itself again.
    void progressTitle(const QString& prefix);
    // A file moved from `from` to `to`; the check lists follow it.
    void fileMoved(const QString& from, const QString& to);
    // A file went to the trash; the check lists drop it.
    void fileDeleted(const QString& path);
    // A folder moved or was renamed from `from` to `to`: entries under it follow.
    void folderMoved(const QString& from, const QString& to);
    // A file was sorted (moved or copied) by a batch.
    void fileSorted();

private:
    enum class Step { Next, Stop };
    Step TransferOne(const QString& source, const QString& destination, TransferOp op, bool lastFile,
                     int& count);
    Step DeleteOne(const QString& path, bool lastFile, int& count);
    ConflictAnswer AskConflict(const QString& source, const QString& target, TransferOp op);
    Step Failed(TransferOp op, const QString& path, const FileOpResult& result, bool lastFile);
    // Tells `text`; in a batch with files still to come, asks whether to go on.
    Step Refused(const QString& text, bool lastFile);

    UserPrompts& m_prompts;
    const Options& m_options;
    UndoJournal& m_journal;
    const FileOperations& m_files;
    ConflictDialog* m_dialog = nullptr;
    std::optional<ConflictAnswer> m_toAll; // "全て上書き" or "全て無視" for the running batch
    QString m_renamedTarget;               // the new target the dialog kept after "名前を変更"
    int m_lockDepth = 0;
};
