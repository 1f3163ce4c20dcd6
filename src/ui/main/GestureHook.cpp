#include "ui/main/GestureHook.h"

#include "core/input/Gesture.h"

#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cstdlib>
#include <utility>

namespace {

bool Within(const QWidget* area, const QWidget* widget) {
    return area == widget || area->isAncestorOf(widget);
}

} // namespace

GestureHook::GestureHook(Areas areas, std::function<bool()> paused,
                         std::function<void(const QString& input)> run, QObject* parent)
    : QObject(parent), m_areas(std::move(areas)), m_paused(std::move(paused)), m_run(std::move(run)) {}

bool GestureHook::gesturePending() const {
    return m_pending;
}

bool GestureHook::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
        break;
    default:
        return false;
    }
    // The native window sees the event before the widget under the cursor does.
    if (!watched->isWidgetType()) {
        return false;
    }
    auto* widget = static_cast<QWidget*>(watched);
    // Another window of the program in front (a dialog) keeps the mouse to itself. A click on
    // the window while another program is in front counts: the click is what brings it forward.
    const QWidget* active = QApplication::activeWindow();
    if (!Within(m_areas.window, widget) || (active && active != m_areas.window) || m_paused()) {
        return false;
    }
    auto* pointEvent = static_cast<QSinglePointEvent*>(event);
    Fields fields;
    fields.type = event->type();
    fields.timestamp = pointEvent->timestamp();
    fields.global = pointEvent->globalPosition();
    fields.button = pointEvent->button();
    fields.buttons = pointEvent->buttons();
    fields.modifiers = pointEvent->modifiers();
    if (event->type() == QEvent::Wheel) {
        fields.angleDelta = static_cast<QWheelEvent*>(event)->angleDelta();
    }
    // An event the widget under the cursor left alone travels on to its parents: it was judged
    // where it arrived, and must not count again on the way up.
    if (passedOnFrom(widget, fields)) {
        return false;
    }
    m_lastReceiver = widget;
    m_lastFields = fields;

    // Qt turns the second press of a quick double right click into a double click: it neither
    // starts a gesture nor reaches a control.
    if (fields.type == QEvent::MouseButtonDblClick && fields.button == Qt::RightButton) {
        event->accept();
        return true;
    }
    const Area area = areaOf(widget);
    if (area == Area::Other) {
        return onOther(widget, pointEvent);
    }
    if (area == Area::Elsewhere) {
        // A scroll bar or a splitter handle is no place for a gesture or a click command; a
        // pending gesture still ends with its release on the picture, which holds the mouse.
        return false;
    }
    if (fields.type == QEvent::MouseMove) {
        if (!fields.buttons.testFlag(Qt::RightButton)) {
            cancelGesture();
        }
        return false;
    }
    if (fields.type == QEvent::Wheel) {
        return onWheel(pointEvent);
    }
    if (area == Area::TitleBar) {
        return widget == m_areas.titleBar && onTitleBar(pointEvent);
    }
    return onPicture(pointEvent);
}

bool GestureHook::passedOnFrom(const QWidget* widget, const Fields& fields) const {
    return m_lastReceiver && m_lastReceiver != widget && widget->isAncestorOf(m_lastReceiver) &&
           fields == m_lastFields;
}

GestureHook::Area GestureHook::areaOf(const QWidget* widget) const {
    for (const QWidget* other : m_areas.others) {
        if (Within(other, widget)) {
            return Area::Other;
        }
    }
    if (Within(m_areas.titleBar, widget)) {
        return Area::TitleBar;
    }
    if (Within(m_areas.picture, widget) || widget == m_areas.pictureBack) {
        return Area::Picture;
    }
    return Area::Elsewhere;
}

bool GestureHook::onPicture(QSinglePointEvent* event) {
    const Qt::MouseButton button = event->button();
    const Qt::MouseButtons held = event->buttons();
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        if (button == Qt::LeftButton && held.testFlag(Qt::RightButton)) {
            cancelGesture();
            return fire(event, QStringLiteral("mGesRLC"));
        }
        if (button == Qt::RightButton && !ctrl) {
            if (held.testFlag(Qt::LeftButton)) {
                cancelGesture();
                return fire(event, QStringLiteral("mGesLRC"));
            }
            // The release decides what the press was; until then no control sees it, so the
            // picture shows no menu of its own.
            m_pending = true;
            m_used = false;
            m_start = event->globalPosition().toPoint();
            event->accept();
            return true;
        }
        if (button == Qt::MiddleButton) {
            return fire(event, QStringLiteral("mGesWC"));
        }
        return false;
    case QEvent::MouseButtonDblClick:
        return button == Qt::LeftButton && fire(event, QStringLiteral("mGesLDC"));
    case QEvent::MouseButtonRelease:
        if (!m_pending) {
            return false;
        }
        if (button == Qt::LeftButton) {
            m_used = true;
            return fire(event, QStringLiteral("mGesRLC"));
        }
        return button == Qt::RightButton && !ctrl && finishGesture(event);
    default:
        return false;
    }
}

bool GestureHook::finishGesture(QSinglePointEvent* event) {
    const bool used = m_used;
    const QPoint moved = event->globalPosition().toPoint() - m_start;
    cancelGesture();
    if (used) {
        // The wheel or a left click already made this press mean something else.
        event->accept();
        return true;
    }
    if (event->buttons().testFlag(Qt::LeftButton)) {
        return fire(event, QStringLiteral("mGesLRC"));
    }
    return fire(event, GestureKey(moved.x(), moved.y()));
}

bool GestureHook::onOther(const QWidget* widget, QSinglePointEvent* event) {
    cancelGesture();
    const bool leftDoubleClick =
        event->type() == QEvent::MouseButtonDblClick && event->button() == Qt::LeftButton;
    // A double click still does what it does there: the tree opens or closes the folder under
    // the cursor, the comment pane selects the word.
    if (leftDoubleClick && Within(m_areas.tree, widget)) {
        m_run(QStringLiteral("mGesTVDBC"));
    } else if (leftDoubleClick && Within(m_areas.comment, widget)) {
        m_run(QStringLiteral("mGesCDBC"));
    } else if (Within(m_areas.tree, widget) && event->type() == QEvent::MouseButtonPress &&
               event->button() == Qt::MiddleButton) {
        return fire(event, QStringLiteral("mGesTVMC"));
    }
    return false;
}

bool GestureHook::onTitleBar(QSinglePointEvent* event) {
    // A press on a menu title opens that menu.
    if (m_areas.titleBar->actionAt(event->position().toPoint())) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonDblClick && event->button() == Qt::LeftButton) {
        return fire(event, QStringLiteral("mGesTDBC"));
    }
    if (event->type() == QEvent::MouseButtonPress && event->button() == Qt::MiddleButton) {
        return fire(event, QStringLiteral("mGesTWC"));
    }
    if (event->type() == QEvent::MouseButtonPress && event->button() == Qt::RightButton) {
        return fire(event, QStringLiteral("mGesTRC"));
    }
    return false;
}

bool GestureHook::onWheel(QSinglePointEvent* event) {
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    // Without a right press the wheel belongs to the picture, which steps through the files.
    if (!m_pending || delta == 0) {
        return false;
    }
    m_used = true;
    // A touchpad or a high-resolution wheel sends parts of a notch: a full notch is one step.
    const int steps = m_wheel.Add(delta);
    event->accept();
    for (int i = 0; i < std::abs(steps); ++i) {
        m_run(steps > 0 ? QStringLiteral("mGesRWU") : QStringLiteral("mGesRWD"));
    }
    return true;
}

void GestureHook::cancelGesture() {
    m_pending = false;
    m_used = false;
    m_wheel.Reset();
}

bool GestureHook::fire(QEvent* event, const QString& input) {
    // The command may open a menu and run an event loop of its own: the state is settled and
    // the event taken before it runs.
    event->accept();
    m_run(input);
    return true;
}
