#include "platform/KeyStateTracker.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QWidget>

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

// The modifiers held now, and those the key press being handled came with: a quick Shift+key
// may be released at the window system before the program handles the press.
Qt::KeyboardModifiers KeyStateTracker::Modifiers() const {
    return QGuiApplication::queryKeyboardModifiers() | m_pressModifiers;
}

bool KeyStateTracker::ctrlHeld() const {
    return Modifiers().testFlag(Qt::ControlModifier);
}

bool KeyStateTracker::shiftHeld() const {
    return Modifiers().testFlag(Qt::ShiftModifier);
}

bool KeyStateTracker::altHeld() const {
    return Modifiers().testFlag(Qt::AltModifier);
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
        m_pressModifiers = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        break;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            m_held.remove(HeldKeyOf(*key));
        m_pressModifiers = {};
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        m_pressModifiers = {};
        break;
    case QEvent::Show:
    case QEvent::Hide:
        // A menu opened from the keyboard takes the releases of the keys that opened it, so the
        // keys are forgotten whenever a pop-up comes or goes.
        if (watched->isWidgetType() && static_cast<QWidget*>(watched)->windowType() == Qt::Popup) {
            m_held.clear();
            m_pressModifiers = {};
        }
        break;
    case QEvent::ApplicationStateChange:
        if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() != Qt::ApplicationActive) {
            m_held.clear();
            m_pressModifiers = {};
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
