#pragma once

#include <QTreeView>

class QFileSystemModel;
class ViewerController;

// The folder tree left of the picture: the folders of the whole file system, one column. Picking
// a folder opens it in the viewer; the controller's own moves select their folder here without
// opening it again. Owns its file-system model and tells the controller while it holds the keys
// (sorting leaves the shown file alone then). GUI thread.
class FolderTreePane : public QTreeView {
    Q_OBJECT

public:
    FolderTreePane(ViewerController& controller, QWidget* parent);

    // The folder picked in the tree, or empty.
    QString TreeFolder() const;
    // Reads the folders afresh and keeps the picked one picked.
    void Reload();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void SetTreeModel();
    void SelectFolderInTree(const QString& folder);
    void TreeViewChange(const QModelIndex& current);

    ViewerController& m_controller;
    QFileSystemModel* m_treeModel = nullptr;
    bool m_selectingInTree = false; // the tree follows the controller: no folder is opened
    bool m_rowsGoing = false;       // the model takes rows away: no folder is opened
};
