#pragma once

#include <QListWidget>

// The list of command names in the options dialog. Dragging a row hands its name over as plain
// text, and only ever as a copy, so the list itself never loses a row.
class CommandNameList : public QListWidget {
public:
    explicit CommandNameList(QWidget* parent = nullptr);

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    void startDrag(Qt::DropActions supportedActions) override;
};
