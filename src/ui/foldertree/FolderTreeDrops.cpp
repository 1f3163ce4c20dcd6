#include "ui/foldertree/FolderTreeDrops.h"

#include "app/FlagScope.h"
#include "app/ViewerController.h"
#include "app/foldertree/FolderTreeModel.h"
#include "core/common/NativePath.h"
#include "platform/LocalUrl.h"
#include "ui/foldertree/FolderTreePane.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QDrag>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <unistd.h>

namespace {

const QString kShownFileFormat = QStringLiteral("application/x-ruvela-shown-file");
const QString kFolderFormat = QStringLiteral("application/x-ruvela-folder");
constexpr int kExpandDelayMs = 700;
constexpr int kScrollMargin = 16;

QByteArray ProcessMark() {
    return QByteArray::number(static_cast<qlonglong>(::getpid()));
}

bool MarkedHere(const QMimeData& data, const QString& format) {
    return data.hasFormat(format) && data.data(format).split('\n').value(0) == ProcessMark();
}

} // namespace

void MarkShownFileDrag(QMimeData& data) {
    data.setData(kShownFileFormat, ProcessMark());
}

void MarkFolderDrag(QMimeData& data, const QString& path) {
    data.setData(kFolderFormat, ProcessMark() + '\n' + NativePath(path));
}

FolderTreeDrops::FolderTreeDrops(ViewerController& controller, FolderTreePane& tree)
    : QObject(&tree), m_controller(controller), m_tree(tree), m_viewport(tree.viewport()) {
    m_tree.setAcceptDrops(true);
    m_tree.setContextMenuPolicy(Qt::DefaultContextMenu);
    m_viewport->installEventFilter(this);
    m_expandTimer.setSingleShot(true);
    m_expandTimer.setInterval(kExpandDelayMs);
    connect(&m_expandTimer, &QTimer::timeout, this, [this] {
        if (m_hovered.isValid())
            m_tree.expand(m_hovered);
    });
}

bool FolderTreeDrops::eventFilter(QObject* watched, QEvent* event) {
    // Compared without asking the tree: while the tree is destroyed its viewport still sends
    // events.
    if (watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto& press = static_cast<const QMouseEvent&>(*event);
        m_pressed = press.button() == Qt::LeftButton
                        ? QPersistentModelIndex(m_tree.NodeAt(press.position().toPoint()))
                        : QPersistentModelIndex();
        m_pressAt = press.position().toPoint();
        return false;
    }
    case QEvent::MouseMove:
        return MouseMove(static_cast<const QMouseEvent&>(*event));
    case QEvent::MouseButtonRelease:
        m_pressed = QPersistentModelIndex();
        return false;
    case QEvent::DragEnter: {
        auto* enter = static_cast<QDragEnterEvent*>(event);
        if (!m_borrowed) {
            m_before = m_tree.currentIndex();
            m_borrowed = true;
        }
        enter->acceptProposedAction();
        DragOver(enter->position().toPoint());
        return true;
    }
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        move->acceptProposedAction();
        DragOver(move->position().toPoint());
        return true;
    }
    case QEvent::DragLeave:
        GiveSelectionBack();
        return true;
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->acceptProposedAction();
        Drop(*drop);
        return true;
    }
    case QEvent::ContextMenu: {
        const auto& menu = static_cast<const QContextMenuEvent&>(*event);
        NodeMenu(menu.pos(), menu.globalPos());
        return true;
    }
    default:
        return false;
    }
}

// A left drag that starts on a folder's node drags the folder; short of the drag distance the
// mouse does nothing, so passing over other rows picks none of them.
bool FolderTreeDrops::MouseMove(const QMouseEvent& event) {
    if (!(event.buttons() & Qt::LeftButton) || !m_pressed.isValid())
        return false;
    if ((event.position().toPoint() - m_pressAt).manhattanLength() < QApplication::startDragDistance())
        return true;
    const QModelIndex node = m_pressed;
    m_pressed = QPersistentModelIndex();
    if (m_tree.treeModel().KindOf(node) == FolderTreeModel::NodeKind::Folder)
        DragFolder(m_tree.treeModel().PathOf(node));
    return true;
}

void FolderTreeDrops::DragFolder(const QString& path) {
    auto* data = new QMimeData;
    MarkFolderDrag(*data, path);
    auto* drag = new QDrag(&m_tree);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction);
}

void FolderTreeDrops::DragOver(const QPoint& at) {
    const QModelIndex node = m_tree.NodeAt(at);
    if (node.isValid() && node != m_tree.currentIndex()) {
        FlagScope quiet(m_tree.selectingQuietly());
        m_tree.setCurrentIndex(node);
    }
    if (node != QModelIndex(m_hovered)) {
        m_hovered = node;
        m_expandTimer.start();
    }
    // Near the top or the bottom edge the tree scrolls, so any node can be reached.
    QScrollBar* bar = m_tree.verticalScrollBar();
    if (at.y() < kScrollMargin)
        bar->setValue(bar->value() - bar->singleStep());
    else if (at.y() > m_tree.viewport()->height() - kScrollMargin)
        bar->setValue(bar->value() + bar->singleStep());
}

void FolderTreeDrops::GiveSelectionBack() {
    m_expandTimer.stop();
    m_hovered = QPersistentModelIndex();
    if (!m_borrowed)
        return;
    m_borrowed = false;
    FlagScope quiet(m_tree.selectingQuietly());
    if (m_before.isValid())
        m_tree.setCurrentIndex(m_before);
    else
        m_tree.clearSelection();
}

void FolderTreeDrops::Drop(const QDropEvent& event) {
    const QModelIndex node = m_tree.NodeAt(event.position().toPoint());
    const FolderTreeModel& model = m_tree.treeModel();
    const FolderTreeModel::NodeKind kind = model.KindOf(node);
    const QString target = model.PathOf(node);
    const QMimeData* data = event.mimeData();
    const bool range = event.modifiers() & Qt::ShiftModifier;
    GiveSelectionBack();
    if (!node.isValid() || data == nullptr)
        return;
    FolderWorkflow& folders = m_controller.folders();
    // The work asks questions: it runs once the drag has ended.
    if (MarkedHere(*data, kFolderFormat)) {
        const QByteArray bytes = data->data(kFolderFormat);
        const QString source = PathFromNative(bytes.mid(bytes.indexOf('\n') + 1));
        QTimer::singleShot(0, &folders,
                           [&folders, source, target] { folders.TreeViewDragDropFolder(source, target); });
    } else if (MarkedHere(*data, kShownFileFormat)) {
        const bool toTrash = kind == FolderTreeModel::NodeKind::Trash;
        QTimer::singleShot(0, &folders, [&folders, target, toTrash, range] {
            folders.TreeViewDragDropPicture(target, toTrash, range);
        });
    }
}

void FolderTreeDrops::NodeMenu(const QPoint& at, const QPoint& globalAt) {
    const QModelIndex node = m_tree.NodeAt(at);
    const FolderTreeModel& model = m_tree.treeModel();
    if (!node.isValid() || !model.HasFolderPath(node) || m_controller.InputHeld())
        return;
    const QString path = model.PathOf(node);
    const bool folder = model.KindOf(node) == FolderTreeModel::NodeKind::Folder;
    QMenu menu(&m_tree);
    QAction* open = menu.addAction(QStringLiteral("開く(&O)"));
    QAction* rename = folder ? menu.addAction(QStringLiteral("名前の変更(&M)")) : nullptr;
    QAction* remove = folder ? menu.addAction(QStringLiteral("削除(&D)")) : nullptr;
    QAction* chosen = menu.exec(globalAt);
    if (chosen == nullptr)
        return;
    if (chosen == open) {
        QDesktopServices::openUrl(LocalUrlFromPath(path));
    } else if (chosen == rename) {
        // The rename command works on the picked node: the menu's node is picked for it.
        const QPersistentModelIndex before = m_tree.currentIndex();
        {
            FlagScope quiet(m_tree.selectingQuietly());
            m_tree.setCurrentIndex(node);
        }
        m_controller.registry().Run(Command::mnuFolderRename);
        if (m_tree.currentIndex() == node && before.isValid() && before != node) {
            FlagScope quiet(m_tree.selectingQuietly());
            m_tree.setCurrentIndex(before);
        }
    } else if (chosen == remove) {
        m_controller.folders().DeleteTreeFolder(path);
    }
}
