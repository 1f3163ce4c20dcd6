#pragma once

#include <QObject>
#include <QString>
#include <functional>

struct FileOpResult;

class ViewerController;

// Undo and redo of the journal: each step puts a moved, copied or renamed file or folder back
// or moves it again, after checking that the file is still the one the journal recorded; a
// batch undoes or redoes as a whole after one question. GUI thread; `SortBusy` keeps a step
// from starting while a transfer or another step waits in a dialog.
class UndoWorkflow : public QObject {
    Q_OBJECT

public:
    explicit UndoWorkflow(ViewerController& viewer, QObject* parent = nullptr);

    // Undo of the record before the journal position, and redo of the record at it; `quiet`
    // for the steps of a batch (no sound, nothing shown again).
    void undoExecute2(bool quiet);
    void redoExecute2(bool quiet);
    void mnuMoveUndoClick() { undoExecute2(false); }
    void mnuMoveRedoClick() { redoExecute2(false); }

private:
    // Tells the user a step the file system refused, and where the journal position goes.
    using StepFailure = std::function<void(const QString& path, const FileOpResult& result)>;

    // The rename of a file or folder from `from` back or again to `to` with its checks; false
    // when it was refused or failed (the user was told).
    bool RenameStep(int index, const QString& from, const QString& to, const QString& changedMessage,
                    const StepFailure& failed);
    bool StepBack(const QString& message); // a refusal: tells the user, the record is passed over
    void UndoBatch(int count, bool redo);
    void ShowAfterStep(const QString& place);
    bool IsRecordedFile(int record, const QString& path) const;

    ViewerController& m_viewer;
};
