#include "ui/foldertree/FolderTreePane.h"

#include "app/FlagScope.h"
#include "app/ViewerController.h"
#include "app/foldertree/FolderTreeModel.h"
#include "core/common/PathText.h"
#include "ui/foldertree/FolderTreeDrops.h"

#include <QDir>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

FolderTreePane::FolderTreePane(ViewerController& controller, QWidget* parent)
    : QTreeView(parent), m_controller(controller) {
    setObjectName(QStringLiteral("TreeView"));
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Drags of nodes and drops on them are FolderTreeDrops' work, not the view's own.
    setDragEnabled(false);
    SetTreeModel();
    new FolderTreeDrops(m_controller, *this);
    m_controller.SetTreeFolderSource([this] { return TreeFolder(); });
    connect(&m_controller, &ViewerController::selectFolderInTree, this,
            [this](const QString& folder) { TreeViewSelect(folder, -1); });
    connect(this, &QTreeView::collapsed, this, [this] { m_collapsing = true; });
    connect(&m_controller.folders(), &FolderWorkflow::foldersChanged, this,
            &FolderTreePane::TreeViewSafetyRefresh);
}

QString FolderTreePane::TreeFolder() const {
    const QModelIndex current = currentIndex();
    return m_treeModel->HasFolderPath(current) ? m_treeModel->PathOf(current) : QString();
}

void FolderTreePane::Reload() {
    TreeViewSaveTemp();
    const QString folder = TreeFolder();
    SetTreeModel();
    TreeViewLoadTemp();
    if (!folder.isEmpty()) {
        TreeViewSelect(folder, -1);
    }
}

// The controller hears of the focus before the tree acts on it: taking the focus may pick a
// folder.
void FolderTreePane::focusInEvent(QFocusEvent* event) {
    m_controller.SetTreeFocused(true);
    QTreeView::focusInEvent(event);
}

void FolderTreePane::focusOutEvent(QFocusEvent* event) {
    m_controller.SetTreeFocused(false);
    QTreeView::focusOutEvent(event);
}

// A press ends the closing of nodes; a press on an arrow that closes one starts it again.
void FolderTreePane::mousePressEvent(QMouseEvent* event) {
    m_collapsing = false;
    QTreeView::mousePressEvent(event);
}

void FolderTreePane::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && event->modifiers() == Qt::NoModifier) {
        m_controller.registry().Run(Command::mnuFolderRename);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

QModelIndex FolderTreePane::NodeAt(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    if (!index.isValid()) {
        return QModelIndex();
    }
    // The row reaches to the pane's right edge; the node is its icon and label.
    const QRect row = visualRect(index);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = row;
    const int width = itemDelegateForIndex(index)->sizeHint(option, index).width();
    const bool onNode = isRightToLeft() ? point.x() > row.right() - width : point.x() < row.left() + width;
    return onNode && point.x() >= row.left() && point.x() <= row.right() ? index : QModelIndex();
}

void FolderTreePane::SetTreeModel() {
    FolderTreeModel* old = m_treeModel;
    QItemSelectionModel* oldSelection = selectionModel();
    m_walks.clear();
    const ViewerState& state = m_controller.state();
    m_treeModel = new FolderTreeModel(state.pDesk.isEmpty() ? m_controller.home() : state.pDesk,
                                      m_controller.home(), this);
    QStyle* look = style();
    m_treeModel->SetIcons(
        {look->standardIcon(QStyle::SP_DesktopIcon), look->standardIcon(QStyle::SP_DirHomeIcon),
         look->standardIcon(QStyle::SP_ComputerIcon), look->standardIcon(QStyle::SP_DriveHDIcon),
         look->standardIcon(QStyle::SP_TrashIcon), look->standardIcon(QStyle::SP_DirIcon)});
    // A folder that goes away takes the tree's current row with it, and the view moves the row
    // to a neighbour: no folder the user picked. The flag is raised before the view's handlers
    // run and lowered after them.
    connect(m_treeModel, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_rowsGoing = true; });
    setModel(m_treeModel);
    connect(m_treeModel, &QAbstractItemModel::rowsRemoved, this, [this] { m_rowsGoing = false; });
    connect(m_treeModel, &FolderTreeModel::listed, this, &FolderTreePane::Listed);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { TreeViewChange(current); });
    delete oldSelection;
    delete old;
    expand(m_treeModel->IndexOfRoot());
}

void FolderTreePane::TreeViewChange(const QModelIndex& current) {
    if (m_selectingInTree || m_rowsGoing || !m_treeModel->HasFolderPath(current)) {
        return;
    }
    m_controller.ViewFolder(m_treeModel->PathOf(current), false);
    if (m_controller.options().SwNodeOpen && !m_collapsing) {
        expand(current);
    }
}

void FolderTreePane::TreeViewSelect(const QString& path, int mode) {
    m_walks.erase(
        std::remove_if(m_walks.begin(), m_walks.end(), [](const Walk& walk) { return walk.selects; }),
        m_walks.end());
    StartWalk(path, mode, true);
}

void FolderTreePane::TreeViewSafetyRefresh() {
    FlagScope quiet(m_selectingInTree);
    setCurrentIndex(m_treeModel->IndexOfRoot());
    m_treeModel->Refresh();
}

void FolderTreePane::TreeViewSaveTemp() {
    ExpandedPaths.clear();
    SaveExpanded(QModelIndex());
}

void FolderTreePane::SaveExpanded(const QModelIndex& parent) {
    for (int row = 0; row < m_treeModel->rowCount(parent); ++row) {
        const QModelIndex child = m_treeModel->index(row, 0, parent);
        if (isExpanded(child)) {
            ExpandedPaths << m_treeModel->PathOf(child);
            SaveExpanded(child);
        }
    }
}

void FolderTreePane::TreeViewLoadTemp() {
    for (const QString& path : ExpandedPaths) {
        StartWalk(path, 1, false);
    }
}

void FolderTreePane::StartWalk(const QString& path, int mode, bool selects) {
    if (path.isEmpty()) {
        return;
    }
    Walk walk;
    walk.mode = mode;
    walk.selects = selects;
    const QModelIndex computer = m_treeModel->IndexOfComputer();
    if (path == m_treeModel->PathOf(computer)) {
        Arrive(walk, computer);
        return;
    }
    walk.target = QDir::cleanPath(path);
    walk.at = m_treeModel->WalkStart(walk.target, &walk.remaining);
    if (!Advance(walk)) {
        m_walks.push_back(std::move(walk));
    }
}

bool FolderTreePane::Advance(Walk& walk) {
    for (;;) {
        const QModelIndex at = walk.at;
        if (!at.isValid()) {
            return true;
        }
        const bool computer = m_treeModel->KindOf(at) == FolderTreeModel::NodeKind::Computer;
        // The last node need not be listed; PC must be, to pick the volume.
        if (!computer && walk.remaining.isEmpty()) {
            Arrive(walk, at);
            return true;
        }
        if (!m_treeModel->IsListed(at)) {
            m_treeModel->fetchMore(at);
            return false;
        }
        QModelIndex next;
        if (computer) {
            next = m_treeModel->VolumeOf(walk.target, &walk.remaining);
        } else {
            next = m_treeModel->FindChild(at, ChildPath(m_treeModel->PathOf(at), walk.remaining.first()));
            if (next.isValid()) {
                walk.remaining.removeFirst();
            }
        }
        if (!next.isValid()) {
            Arrive(walk, at);
            return true;
        }
        expand(at);
        walk.at = next;
    }
}

void FolderTreePane::Arrive(const Walk& walk, const QModelIndex& node) {
    if (walk.selects) {
        FlagScope quiet(m_selectingInTree);
        setCurrentIndex(node);
        scrollTo(node);
    }
    const bool open =
        walk.mode == 1 || (walk.mode == -1 && m_controller.options().SwNodeOpen && !m_collapsing);
    if (walk.mode == 0) {
        collapse(node);
    } else if (open) {
        expand(node);
    }
    emit walkEnded(m_treeModel->PathOf(node));
}

void FolderTreePane::Listed(const QModelIndex& parent) {
    // A walk may end another (an arrival opens a node), so the ones waiting here are taken out
    // before any goes on.
    std::vector<Walk> waiting;
    for (auto it = m_walks.begin(); it != m_walks.end();) {
        if (!it->at.isValid() || it->at == parent) {
            waiting.push_back(std::move(*it));
            it = m_walks.erase(it);
        } else {
            ++it;
        }
    }
    for (Walk& walk : waiting) {
        if (!Advance(walk)) {
            m_walks.push_back(std::move(walk));
        }
    }
}
