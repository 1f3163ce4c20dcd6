#pragma once

#include <QObject>
#include <initializer_list>

class QSocketNotifier;

// Turns the Unix signals that ask a program to end (SIGTERM at logout and shutdown, SIGINT,
// SIGHUP) into a Qt signal on the GUI thread, so the program can end the way a close of its
// window does, with every save. The handler only writes the signal's number into a pipe that the
// event loop watches. One watcher per process; GUI thread.
class UnixSignalWatcher : public QObject {
    Q_OBJECT

public:
    explicit UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    // Gives the signals back their default handling.
    ~UnixSignalWatcher() override;

    UnixSignalWatcher(const UnixSignalWatcher&) = delete;
    UnixSignalWatcher& operator=(const UnixSignalWatcher&) = delete;

signals:
    void received(int signalNumber);

private:
    void ReadPipe();

    QList<int> m_signals;
    int m_pipe[2] = {-1, -1};
    QSocketNotifier* m_notifier = nullptr;
};
