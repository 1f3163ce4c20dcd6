#pragma once

#include <QObject>
#include <QString>

class BackgroundSaver;
class ViewerController;

// The sorting keys: a key press is turned into an entry of the sorting table, and the entry sends
// the shown file into a folder (copy or move, then the next picture) or runs a command. Every
// move and copy is journaled by the transfer batch (undo and redo are UndoWorkflow's). Owns the
// table's load and save. GUI thread; the guard `SortBusy` keeps a key press from starting a
// transfer while another one, an undo or a redo waits in a dialog.
class SortingWorkflow : public QObject {
    Q_OBJECT

public:
    explicit SortingWorkflow(ViewerController& viewer, QObject* parent = nullptr);

    // "MoveTo.txt" in the data folder, read at start (padded to 144 entries). A file that cannot
    // be read is set aside as ".bad" with a message; one that cannot even be set aside is never
    // written over.
    QString TablePath() const;
    void LoadTable();
    // At exit, when the table changed; false after telling the user it failed.
    bool SaveTable();
    // Hands a changed table to `saver`; when it fails to write it, the table counts as changed
    // again, so the exit tries again and tells the user.
    void SaveTableInBackground(BackgroundSaver& saver);
    // "振り分けテーブルの読込" and "振り分けテーブルの保存" of a ".ktb" file.
    bool LoadTableFile(const QString& path);
    bool SaveTableFile(const QString& path);

    // A letter key: with `viaCtrlAlt` it came as Ctrl + Alt + letter.
    void actABCExecute(bool viaCtrlAlt);
    // A top-row digit key, with or without Shift.
    void act123Execute();
    // A keypad digit (0 … 9) in the main window; false when the key is not taken for sorting.
    bool KeypadExecute(int digit);
    // "," sends the file to the folder last chosen with Shift + letter.
    void actCommaExecute();
    // The new-folder keys ";" ":" "." "/" (tags 1 … 4); `treeFolder` is the tree's folder.
    void mnuFolderCreateMove1Click(int tag, const QString& treeFolder);

    // Runs entry `index` (0 … 143), or the pending destination for -1, on the file on screen:
    // nothing while the folder tree has the focus, and after the picture being read is shown.
    void KeyTableExecute(int index);
    // Sends `source` into `destination`: `mode` +1 copies, -1 moves, 0 as the copy option says.
    void FileFuriwake(const QString& source, const QString& destination, int mode);
    // Copy (true) or move: the copy option, turned round while Ctrl is held. Shows the option
    // itself as "Copy" or "Move" in the status bar.
    bool FileCopyMode();

signals:
    // The copy option as the status bar shows it: "Copy" or "Move".
    void copyModeShown(const QString& text);

private:
    QString LowFolderDestination(int index) const;
    // Runs the entry text `text` of `index` now.
    void RunEntry(int index, const QString& text);

    ViewerController& m_viewer;
    bool m_tableHeld = false; // "MoveTo.txt" could not be read nor set aside
};
