#pragma once

#include <QObject>
#include <QString>

class ViewerController;

// The folder commands and the drops on the folder tree: folders are made (several at once),
// renamed, moved by dragging one onto another and sent to the trash from the tree; the shown
// file is renamed, sent to the trash, or sorted by dropping it on a folder. Every rename and
// folder move is journaled, and the check lists, the sorting table and the list on screen
// follow it. GUI thread; `SortBusy` keeps these from starting while a transfer, an undo or a
// redo waits in a dialog.
class FolderWorkflow : public QObject {
    Q_OBJECT

public:
    explicit FolderWorkflow(ViewerController& viewer, QObject* parent = nullptr);

    // "フォルダを作成する": one or more folders in the shown folder (or the tree's folder).
    void mnuFolderCreateClick();
    // "フォルダを改名する": the folder picked in the tree.
    void mnuFolderRenameClick();
    // "名前を変更する": the shown file, keeping its extension and its place in the list.
    void popRenameClick();
    // "削除": the shown file to the trash.
    void popDeleteClick();

    // A folder node dragged onto the folder `target`: after a question, `source` moves into it.
    void TreeViewDragDropFolder(const QString& source, const QString& target);
    // The picture or the status bar dropped on a node: the shown file (or, with `range`, the
    // files of the track bar's selection) copied or moved into `target`, or sent to the trash
    // when the node is "ごみ箱" (`toTrash`).
    void TreeViewDragDropPicture(const QString& target, bool toTrash, bool range);
    // The tree's own "削除": the folder and all in it to the trash after a question; when the
    // shown folder was in it, a neighbouring folder opens.
    void DeleteTreeFolder(const QString& folder);

signals:
    // Folders were renamed, moved or deleted: the tree reads its folders again.
    void foldersChanged();

private:
    void RenameShown();
    void DeleteShown();
    void DropShown(const QString& target);

    ViewerController& m_viewer;
};
