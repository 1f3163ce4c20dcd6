#include "ui/foldertree/FolderTreePane.h"

#include "app/FlagScope.h"
#include "app/ViewerController.h"

#include <QFileSystemModel>
#include <QFocusEvent>

FolderTreePane::FolderTreePane(ViewerController& controller, QWidget* parent)
    : QTreeView(parent), m_controller(controller) {
    setObjectName(QStringLiteral("TreeView"));
    setHeaderHidden(true);
    setAcceptDrops(false);
    SetTreeModel();
    m_controller.SetTreeFolderSource([this] { return TreeFolder(); });
    connect(&m_controller, &ViewerController::selectFolderInTree, this, &FolderTreePane::SelectFolderInTree);
}

QString FolderTreePane::TreeFolder() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? m_treeModel->filePath(current) : QString();
}

void FolderTreePane::Reload() {
    const QString folder = TreeFolder();
    // A new model reads the folders afresh.
    SetTreeModel();
    if (!folder.isEmpty())
        SelectFolderInTree(folder);
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

void FolderTreePane::SetTreeModel() {
    QFileSystemModel* old = m_treeModel;
    QItemSelectionModel* oldSelection = selectionModel();
    m_treeModel = new QFileSystemModel(this);
    m_treeModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_treeModel->setRootPath(QStringLiteral("/"));
    // A folder that goes away takes the tree's current row with it, and the view moves the row
    // to a neighbour: no folder the user picked. The flag is raised before the view's handlers
    // run and lowered after them.
    connect(m_treeModel, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_rowsGoing = true; });
    setModel(m_treeModel);
    connect(m_treeModel, &QAbstractItemModel::rowsRemoved, this, [this] { m_rowsGoing = false; });
    for (int column = 1; column < m_treeModel->columnCount(); ++column)
        hideColumn(column);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { TreeViewChange(current); });
    delete oldSelection;
    delete old;
}

void FolderTreePane::SelectFolderInTree(const QString& folder) {
    const QModelIndex index = m_treeModel->index(folder);
    if (!index.isValid())
        return;
    FlagScope quiet(m_selectingInTree);
    setCurrentIndex(index);
    scrollTo(index);
}

void FolderTreePane::TreeViewChange(const QModelIndex& current) {
    if (m_selectingInTree || m_rowsGoing || !current.isValid())
        return;
    m_controller.ViewFolder(m_treeModel->filePath(current), false);
}
