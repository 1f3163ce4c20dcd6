#include "platform/KeyStateTracker.h"

#include <QGuiApplication>
#include <QKeyEvent>

bool KeyStateTracker::ctrlHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

bool KeyStateTracker::shiftHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

bool KeyStateTracker::keyHeld(int qtKey) const {
    return m_held.contains(qtKey);
}

bool KeyStateTracker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat() && key->key() != 0 && key->key() != Qt::Key_unknown)
            m_held.insert(key->key());
        break;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            m_held.remove(key->key());
        break;
    }
    case QEvent::ApplicationStateChange:
        if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive)
            m_held.clear();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
