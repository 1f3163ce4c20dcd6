#include "ui/checklists/TFormDandD.h"

#include "app/TitleText.h"
#include "core/common/NativePath.h"
#include "core/common/UserPrompts.h"
#include "platform/LocalUrl.h"

#include <QDrag>
#include <QListWidget>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>

namespace {

// How far the pointer must move from the press, across or down, before a drag starts.
constexpr int kDragDistance = 5;

} // namespace

TFormDandD::TFormDandD(QList<QStringList> lists, QStringList names, UserPrompts& prompts, QWidget* parent)
    : QDialog(parent), m_lists(std::move(lists)), m_prompts(prompts), m_listBox(new QListWidget(this)) {
    setObjectName(QStringLiteral("FormDandD"));
    setWindowTitle(QStringLiteral("リストをドラッグ出来ます"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_listBox->setObjectName(QStringLiteral("ListBox"));
    m_listBox->setSelectionMode(QAbstractItemView::SingleSelection);
    for (qsizetype i = 0; i < m_lists.size(); ++i)
        m_listBox->addItem(CountedListName(m_lists[i].size(), i < names.size() ? names[i] : QString()));
    m_listBox->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_listBox);
    resize(240, 200);
}

TFormDandD::~TFormDandD() = default;

bool TFormDandD::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_listBox->viewport())
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            m_pressed = true;
            m_pressPoint = mouse->position().toPoint();
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        m_pressed = false;
    } else if (event->type() == QEvent::MouseMove && m_pressed) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QModelIndexList selected = m_listBox->selectionModel()->selectedRows();
        const QPoint moved = mouse->position().toPoint() - m_pressPoint;
        if (mouse->buttons().testFlag(Qt::LeftButton) && !selected.isEmpty() &&
            (std::abs(moved.x()) >= kDragDistance || std::abs(moved.y()) >= kDragDistance)) {
            // The list stops following the pointer: from here on the move belongs to the drag.
            m_pressed = false;
            ListBoxStartDrag(selected.first().row());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TFormDandD::ListBoxStartDrag(int row) {
    const QStringList& files = m_lists[row];
    if (files.isEmpty())
        return;
    QList<QUrl> urls;
    urls.reserve(files.size());
    for (const QString& path : files) {
        if (PathKind(path) != PathType::File) {
            m_prompts.message(QStringLiteral("リストのファイル") + QStringLiteral("\r\n") + path +
                                  QStringLiteral("\r\n") + QStringLiteral("が見つかりません"),
                              MessageIcon::Information, MessageButtons::Ok);
            return;
        }
        urls << LocalUrlFromPath(path);
    }
    auto data = std::make_unique<QMimeData>();
    data->setUrls(urls);

    // Only the title bar stays, so the drop targets beneath are free.
    setWindowTitle(m_listBox->item(row)->text() + QStringLiteral("をドラッグ中..."));
    setFixedHeight(0);
    m_dropped = RunDrag(std::move(data), Qt::CopyAction) == Qt::CopyAction;
    accept();
}

Qt::DropAction TFormDandD::RunDrag(std::unique_ptr<QMimeData> data, Qt::DropActions actions) {
    auto* drag = new QDrag(this);
    drag->setMimeData(data.release());
    return drag->exec(actions, Qt::CopyAction);
}
