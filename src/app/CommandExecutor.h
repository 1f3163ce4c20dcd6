#pragma once

#include <QObject>
#include <QString>

class ViewerController;

// Runs command texts: the names of the command table, which run their command, and
// the forms that carry their own argument: "$OPEN=<folder>" opens a folder, "$MOVE=<folder>"
// sends the shown file there, "$LowDir=<folder>" sets the base of the keypad subfolders, and a
// number shows the picture at that rate. Every input, the system-menu entries and the command
// entries of the sorting table come through here. GUI thread.
class CommandExecutor : public QObject {
    Q_OBJECT

public:
    explicit CommandExecutor(ViewerController& viewer, QObject* parent = nullptr);

    // Runs one command text. An unknown text that is no number does nothing.
    void mgesExecute(const QString& text);
    // Runs the command the settings bind to input `key` ("mGes8", "kGesUp" …), read now;
    // false when nothing is bound to it ("無し").
    bool ExecuteInput(const QString& key);

private:
    ViewerController& m_viewer;
};
