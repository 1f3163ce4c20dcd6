#include "ui/settings/CommandNameList.h"

#include "app/CommandNames.h"

#include <QMimeData>

CommandNameList::CommandNameList(QWidget* parent) : QListWidget(parent) {
    addItems(CommandNames());
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
}

QStringList CommandNameList::mimeTypes() const {
    return {QStringLiteral("text/plain")};
}

QMimeData* CommandNameList::mimeData(const QList<QListWidgetItem*>& items) const {
    if (items.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    data->setText(items.first()->text());
    return data;
}

void CommandNameList::startDrag(Qt::DropActions supportedActions) {
    // A move accepted by a drop target would take the row out of the list.
    if (supportedActions & Qt::CopyAction)
        QListWidget::startDrag(Qt::CopyAction);
}
