#pragma once

#include "app/commands/CommandTable.h"

#include <QObject>
#include <functional>
#include <vector>

// What each command does: the workflows, and the windows for what only a window can do, give
// the registry a handler for each command they carry out. Every way of running a command - a
// menu, a key, a gesture, a sorting entry - runs it here, so a command behaves the same from
// each of them, and a test can run any registered command without a window. A command without a
// handler is not built yet and stays disabled. GUI thread.
class CommandRegistry : public QObject {
    Q_OBJECT

public:
    using Handler = std::function<void()>;

    explicit CommandRegistry(QObject* parent = nullptr);

    // `handler` carries out `id` from now on; `enabled`, when given, is asked too before it runs.
    void Register(Command id, Handler handler, std::function<bool()> enabled = {});
    bool Registered(Command id) const;
    // Registered, and what the command needs is there now.
    bool Enabled(Command id) const;
    // Runs `id` when it is enabled; false when it did not run.
    bool Run(Command id);

    // Whether a file is shown: the commands that need one are enabled only then.
    void SetPictureShown(bool shown);
    bool pictureShown() const { return m_pictureShown; }

signals:
    // What Enabled answers may have changed.
    void enabledChanged();

private:
    struct Entry {
        Handler handler;
        std::function<bool()> enabled;
    };
    std::vector<Entry> m_entries; // by the command's id
    bool m_pictureShown = false;
};
