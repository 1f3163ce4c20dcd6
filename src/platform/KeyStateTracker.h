#pragma once

#include "app/Services.h"

#include <QObject>
#include <QSet>

// The keys held right now, for the logic that asks "is Ctrl held", "which letter is down".
// Modifiers come from the window system at the moment of the question, joined by those of the
// key press being handled; other keys from the key
// events it sees as the application's event filter (install it on the QApplication). Shortcut
// keys never arrive as key presses, so the shortcut-override event that precedes them counts as
// a press too. Auto-repeat is ignored; everything is forgotten when the application loses the
// focus, since the releases then go elsewhere. GUI thread.
class KeyStateTracker : public QObject, public KeyState {
    Q_OBJECT

public:
    using QObject::QObject;

    bool ctrlHeld() const override;
    bool shiftHeld() const override;
    bool altHeld() const override;
    bool buttonHeld(Qt::MouseButton button) const override;
    bool keyHeld(int qtKey) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Qt::KeyboardModifiers Modifiers() const;

    QSet<int> m_held;
    Qt::KeyboardModifiers m_pressModifiers; // of the last key press, until a release or a click
};
