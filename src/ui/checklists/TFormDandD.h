#pragma once

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QStringList>
#include <memory>

class QListWidget;
class QMimeData;
class UserPrompts;

// The drag-out window "リストをドラッグ出来ます": a small stay-on-top dialog listing the current
// file list and the ten check lists with their counts. Dragging a row hands all of its files to
// another program as one copy drop; the window closes when the drag ends. It owns its widgets,
// works on copies of the lists taken when it opens and lives on the GUI thread, shown modally.
class TFormDandD : public QDialog {
    Q_OBJECT

public:
    // `lists[0]` is the current file list, `lists[1]` to `lists[10]` the check lists; `names`
    // holds the row names in the same order.
    TFormDandD(QList<QStringList> lists, QStringList names, UserPrompts& prompts, QWidget* parent = nullptr);
    ~TFormDandD() override;

    // Whether the last drag ended with a drop on a target.
    bool dropped() const { return m_dropped; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Runs the drag of `data` with `actions` allowed until the button is released or the drag
    // is cancelled; returns the action the target took, Qt::IgnoreAction when nothing dropped.
    virtual Qt::DropAction RunDrag(std::unique_ptr<QMimeData> data, Qt::DropActions actions);

private:
    void ListBoxStartDrag(int row);

    QList<QStringList> m_lists;
    UserPrompts& m_prompts;
    QListWidget* m_listBox;
    bool m_pressed = false; // the left button went down on the list and no drag started yet
    QPoint m_pressPoint;
    bool m_dropped = false;
};
