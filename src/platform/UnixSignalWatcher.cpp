#include "platform/UnixSignalWatcher.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe. A signal handler can reach nothing but a plain global; only the
// one watcher sets it.
volatile std::sig_atomic_t g_writeEnd = -1;

void OnSignal(int signalNumber) {
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the number: one waiting is enough to end the program.
    [[maybe_unused]] const ssize_t written = ::write(g_writeEnd, &number, 1);
    errno = saved;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent)
    : QObject(parent), m_signals(signalNumbers) {
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    g_writeEnd = m_pipe[1];
    m_notifier = new QSocketNotifier(m_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::ReadPipe);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : m_signals) {
        ::sigaction(number, &action, nullptr);
    }
}

UnixSignalWatcher::~UnixSignalWatcher() {
    if (m_pipe[0] < 0) {
        return;
    }
    for (const int number : m_signals) {
        std::signal(number, SIG_DFL);
    }
    g_writeEnd = -1;
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void UnixSignalWatcher::ReadPipe() {
    unsigned char number = 0;
    while (::read(m_pipe[0], &number, 1) == 1) {
        emit received(number);
    }
}
