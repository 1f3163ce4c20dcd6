#pragma once

#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <chrono>
#include <functional>

// Writes the program's own small files (the check lists, the sorting table) soon after they
// change, so that a crash, a kill or a power cut loses at most the last moment of work. Changes
// within the delay are written together. Each write works on a copy of what it writes and runs
// on one worker thread, after the writes handed over before it, so a slow disk never holds up
// the window. GUI thread, except the write functions, which run on the worker.
class BackgroundSaver : public QObject {
    Q_OBJECT

public:
    explicit BackgroundSaver(std::chrono::milliseconds delay, QObject* parent = nullptr);
    // Waits for the writes in flight.
    ~BackgroundSaver() override;

    // Something changed: `due` follows once the delay has passed.
    void Schedule();
    // Runs `write` on the worker; `done` gets its result on the GUI thread.
    void Write(std::function<bool()> write, std::function<void(bool ok)> done);
    // Waits for every write handed over and delivers their results; the time of `due` that was
    // still to come is dropped (the caller writes what is left itself).
    void Flush();

signals:
    // Time to hand over what changed.
    void due();

private:
    QTimer m_timer;
    QThreadPool m_worker;
};
