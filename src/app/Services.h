#pragma once

#include <QString>
#include <Qt>

// The keys and mouse buttons held right now. The program feeds it from an application-wide
// event filter; tests set it directly.
class KeyState {
public:
    virtual ~KeyState() = default;
    virtual bool ctrlHeld() const = 0;
    virtual bool shiftHeld() const = 0;
    virtual bool altHeld() const = 0;
    // A mouse button held now.
    virtual bool buttonHeld(Qt::MouseButton button) const = 0;
    // A key of Qt::Key held now (letters, digits, Space).
    virtual bool keyHeld(int qtKey) const = 0;
};

// The progress window of a subfolder scan. The controller calls these on the GUI thread; the
// window shows itself only when the scan lasts longer than 400 ms, and asks the controller to
// stop when its button is pressed or it is closed.
class ScanWindow {
public:
    virtual ~ScanWindow() = default;
    virtual void scanStarted() = 0;
    virtual void scanProgress(const QString& folder, int found, int lookedAt) = 0;
    virtual void scanSorting() = 0;
    virtual void scanFinished() = 0;
};
