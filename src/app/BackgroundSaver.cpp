#include "app/BackgroundSaver.h"

#include <QCoreApplication>

BackgroundSaver::BackgroundSaver(std::chrono::milliseconds delay, QObject* parent) : QObject(parent) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(delay);
    connect(&m_timer, &QTimer::timeout, this, &BackgroundSaver::due);
    m_worker.setMaxThreadCount(1);
}

BackgroundSaver::~BackgroundSaver() {
    m_worker.waitForDone();
}

void BackgroundSaver::Schedule() {
    // Not restarted: a steady stream of changes is still written every `delay`.
    if (!m_timer.isActive()) {
        m_timer.start();
    }
}

void BackgroundSaver::Write(std::function<bool()> write, std::function<void(bool ok)> done) {
    m_worker.start([this, write = std::move(write), done = std::move(done)] {
        const bool ok = write();
        QMetaObject::invokeMethod(
            this, [done, ok] { done(ok); }, Qt::QueuedConnection);
    });
}

void BackgroundSaver::Flush() {
    m_timer.stop();
    m_worker.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
