#pragma once

#include <QPersistentModelIndex>
#include <QStringList>
#include <QTreeView>
#include <vector>

class FolderTreeModel;
class ViewerController;

// The folder tree left of the picture, over a FolderTreeModel: the desktop, the home, PC with
// its volumes, the Trash and the folders under each. Picking a folder opens it in the viewer
// (and, with the option set, opens its node by one level); the controller's own moves select
// their folder here without opening it again, walking down the tree as each level's listing
// arrives. Tells the controller while it holds the keys (sorting leaves the shown file alone
// then). Nodes are not edited in place: the edit key renames the folder through its command.
// GUI thread.
class FolderTreePane : public QTreeView {
    Q_OBJECT

public:
    FolderTreePane(ViewerController& controller, QWidget* parent);

    // The folder picked in the tree, or empty (nothing picked, or PC or the Trash).
    QString TreeFolder() const;
    // Saves the open nodes, reads every folder afresh, opens the saved nodes again and picks
    // the folder that was picked.
    void Reload();

    // Picks the node of `path`, opening the nodes on the way down as their folders are listed.
    // The walk starts at the root for the desktop and the folders below it, at the home node for
    // the folders below the home, else at the volume under PC whose mount path is the longest
    // start of `path`. A part of the path that is not there ends the walk at the deepest node
    // found. The node is picked without opening its folder, and shown; then `mode` 0 closes it,
    // 1 opens it, -1 opens it when the option to open a picked node is on and the user is not
    // closing nodes. A newer call replaces a walk still under way.
    void TreeViewSelect(const QString& path, int mode);
    // Picks the root without opening it and lists every listed folder again.
    void TreeViewSafetyRefresh();
    // Keeps in ExpandedPaths the folders of the open nodes that can be seen (their ancestors are
    // open too) / opens each of them again.
    void TreeViewSaveTemp();
    void TreeViewLoadTemp();
    QStringList ExpandedPaths;

    // The node whose icon or label is at `point` (in the viewport), or an invalid index.
    QModelIndex NodeAt(const QPoint& point) const;
    FolderTreeModel& treeModel() const { return *m_treeModel; }
    // The user closed a node and has not pressed the mouse since.
    bool collapsing() const { return m_collapsing; }
    // Raised while the tree picks a node that must not open its folder (FlagScope).
    bool& selectingQuietly() { return m_selectingInTree; }

signals:
    // A walk of TreeViewSelect or TreeViewLoadTemp arrived at the node of `path`.
    void walkEnded(const QString& path);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Walk {
        QString target;
        int mode = -1;
        bool selects = true;
        QPersistentModelIndex at;
        QStringList remaining; // the parts of `target` below `at`
    };

    void SetTreeModel();
    void TreeViewChange(const QModelIndex& current);
    void StartWalk(const QString& path, int mode, bool selects);
    // Goes down as far as the listings allow; true when the walk ended.
    bool Advance(Walk& walk);
    void Arrive(const Walk& walk, const QModelIndex& node);
    void Listed(const QModelIndex& parent);
    void SaveExpanded(const QModelIndex& parent);

    ViewerController& m_controller;
    FolderTreeModel* m_treeModel = nullptr;
    std::vector<Walk> m_walks;
    bool m_selectingInTree = false; // the tree follows the controller: no folder is opened
    bool m_rowsGoing = false;       // the model takes rows away: no folder is opened
    bool m_collapsing = false;
};
