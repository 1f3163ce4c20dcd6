#include "platform/KeyStateTracker.h"

#include <QGuiApplication>
#include <QKeyEvent>

namespace {

// The key a press stands for. Shift turns the top-row digits into other characters ("!" for
// 1 on many layouts); on X11 their key codes 10 … 19 still say which digit it is.
int HeldKeyOf(const QKeyEvent& key) {
    const quint32 code = key.nativeScanCode();
    if (!key.modifiers().testFlag(Qt::KeypadModifier) && code >= 10 && code <= 19) {
        return code == 19 ? Qt::Key_0 : Qt::Key_1 + static_cast<int>(code - 10);
    }
    return key.key();
}

} // namespace

bool KeyStateTracker::ctrlHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}

bool KeyStateTracker::shiftHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

bool KeyStateTracker::altHeld() const {
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier);
}

bool KeyStateTracker::buttonHeld(Qt::MouseButton button) const {
    return QGuiApplication::mouseButtons().testFlag(button);
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
            m_held.insert(HeldKeyOf(*key));
        break;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            m_held.remove(HeldKeyOf(*key));
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
