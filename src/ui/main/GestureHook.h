#pragma once

#include "core/input/WheelSteps.h"

#include <QEvent>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QMenuBar;
class QSinglePointEvent;

// Recognises the mouse inputs over the main window - right-button drags, the button and wheel
// combinations on the picture, double and middle clicks on the tree, the comment pane and the
// empty area of the menu bar - and reports each by the settings key of its input. It runs
// nothing itself. Its owner installs it as an event filter of the application, so it sees every
// mouse event before the widget under the cursor. GUI thread.
class GestureHook : public QObject {
public:
    struct Areas {
        QWidget* window;        // the main window: only its widgets count
        QWidget* picture;       // the picture's view, with everything in it
        QWidget* pictureBack;   // the panel behind the view (its scroll bars are no picture)
        QList<QWidget*> others; // the folder tree, the track bar, the comment pane, the status bar
        QWidget* tree;          // also among `others`
        QWidget* comment;       // also among `others`
        QMenuBar* titleBar;     // the menu bar, whose empty area stands in for the title bar
    };
    // `paused` tells whether the window is paused (a modal operation runs); `run` is called with
    // the settings key of each recognised input ("mGes8", "mGesRWU", "mGesTDBC" ...).
    GestureHook(Areas areas, std::function<bool()> paused, std::function<void(const QString& input)> run,
                QObject* parent = nullptr);
    // True while a right press on the picture waits for its release.
    bool gesturePending() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Elsewhere: scroll bars, splitter handles and frames, which keep their events.
    enum class Area { Picture, Other, TitleBar, Elsewhere };

    // What tells one mouse event from another. Qt hands an event that nobody accepted on to the
    // parents of its widget as copies, which carry the same fields.
    struct Fields {
        QEvent::Type type = QEvent::None;
        quint64 timestamp = 0;
        QPointF global;
        Qt::MouseButton button = Qt::NoButton;
        Qt::MouseButtons buttons;
        Qt::KeyboardModifiers modifiers;
        QPoint angleDelta;
        bool operator==(const Fields&) const = default;
    };

    bool passedOnFrom(const QWidget* widget, const Fields& fields) const;
    Area areaOf(const QWidget* widget) const;
    bool onPicture(QSinglePointEvent* event);
    bool finishGesture(QSinglePointEvent* event);
    bool onOther(const QWidget* widget, QSinglePointEvent* event);
    bool onTitleBar(QSinglePointEvent* event);
    bool onWheel(QSinglePointEvent* event);
    void cancelGesture();
    bool fire(QEvent* event, const QString& input);

    Areas m_areas;
    std::function<bool()> m_paused;
    std::function<void(const QString&)> m_run;
    QPointer<QWidget> m_lastReceiver;
    Fields m_lastFields;
    bool m_pending = false;
    bool m_used = false;
    QPoint m_start;
    WheelSteps m_wheel; // the wheel during a right press
};
