#pragma once

#include <QObject>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QTimer>

class FolderTreePane;
class QDropEvent;
class QMimeData;
class QMouseEvent;
class ViewerController;

// Marks a drag as the shown file's own (from the picture or the status bar), so that the folder
// tree sorts the file when it is dropped on a node. The mark carries this process's id: a drag
// from another program is never taken for one.
void MarkShownFileDrag(QMimeData& data);
// Marks a drag as that of the folder node of `path`.
void MarkFolderDrag(QMimeData& data, const QString& path);

// What the folder tree does with the mouse beyond picking folders: a folder node dragged onto
// another node moves the folder there; the shown file dropped on a node is copied or moved into
// it (with Shift, the selected range of files; on "ごみ箱", sent to the trash); while a drag
// passes over the tree the node under the pointer is picked for the moment and opens after a
// pause; the right button opens the node's menu (rename, delete, open in the file manager). The
// work itself is the controller's FolderWorkflow, run once the drag has ended. Watches the
// tree's viewport; GUI thread.
class FolderTreeDrops : public QObject {
    Q_OBJECT

public:
    FolderTreeDrops(ViewerController& controller, FolderTreePane& tree);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool MouseMove(const QMouseEvent& event);
    void DragFolder(const QString& path);
    void DragOver(const QPoint& at);
    void Drop(const QDropEvent& event);
    // Picks back the node that was picked before a drag passed over the tree.
    void GiveSelectionBack();
    void NodeMenu(const QPoint& at, const QPoint& globalAt);

    ViewerController& m_controller;
    FolderTreePane& m_tree;
    QObject* m_viewport;             // the tree's viewport, whose events come here
    QPoint m_pressAt;                // where the left button went down on a node
    QPersistentModelIndex m_pressed; // that node
    QPersistentModelIndex m_before;  // the node picked before a drag came over the tree
    bool m_borrowed = false;         // a drag over the tree picked a node for the moment
    QPersistentModelIndex m_hovered; // the node a drag rests on, opened after a pause
    QTimer m_expandTimer;
};
