#pragma once

#include "core/checklists/CheckLists.h"

#include <QObject>
#include <QString>
#include <QStringList>

class BackgroundSaver;
class ViewerController;

// The ten check lists A to J as the user works with them: a key marks or unmarks the shown
// picture, and each list's menu copies, moves or deletes its files as one batch, opens the list
// in place of a folder, clears it or inverts the marks over the selected range. The lists follow
// every move, rename and delete the transfer batch reports. Lists are read at start and the
// changed ones written at exit. GUI thread.
class CheckListWorkflow : public QObject {
    Q_OBJECT

public:
    explicit CheckListWorkflow(ViewerController& viewer, QObject* parent = nullptr);

    const CheckLists& lists() const { return m_lists; }
    // The names of the lists from the settings.
    QStringList Names() const;
    // The caption marks of the shown file: "  :  汎用[3]" for each list holding it.
    QString Marks(const QString& path) const;

    void LoadLists();
    // At exit; false after telling the user a list could not be written.
    bool SaveLists();
    // Hands the changed lists to `saver`; a list it fails to write counts as changed again, so
    // the exit tries again and tells the user.
    void SaveInBackground(BackgroundSaver& saver);

    // F1 … F10 (n 0 … 9): marks or unmarks the file on screen (once a picture being read is
    // shown); with Shift held inverts the range.
    void Toggle(int n);
    // "チェックを解除する": the file on screen leaves every list.
    void UnmarkEverywhere();
    void Invert(int n);
    void CopyList(int n);
    void MoveList(int n);
    void DeleteList(int n);
    void OpenList(int n);
    void ClearList(int n);
    // "現在のリスト": the files of the track bar's selected range.
    void CurrentCopy();
    void CurrentMove();
    void CurrentDelete();
    // The files of the track bar's selected range, in list order.
    QStringList SelectedRange() const;

signals:
    // A list changed: the menus show the new counts and the marks of the shown file.
    void listsChanged();

private:
    void ToggleShown(int n, bool invert);
    void UnmarkShown();
    void Changed();
    // Whether any list holds `path`.
    bool Holds(const QString& path) const;
    void Transfer(int n, bool move);
    void TransferRange(bool move);
    // Sends `files` to the Trash as one batch, after `question` unless delete questions are off.
    void DeleteFiles(const QStringList& files, const QString& question);

    ViewerController& m_viewer;
    CheckLists m_lists;
};
