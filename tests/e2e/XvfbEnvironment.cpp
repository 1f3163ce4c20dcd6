#include "e2e/XvfbEnvironment.h"

#include "e2e/ChildProcess.h"

#include <QDeadlineTimer>

namespace {

constexpr int kStartTimeoutMs = 15000;

} // namespace

void XvfbEnvironment::SetUp() {
    m_server = std::make_unique<QProcess>();
    DieWithParent(*m_server);
    // -displayfd 1: Xvfb chooses a free display and writes its number to stdout once it accepts
    // connections, which is also the moment clients may start. -noreset: between two tests no
    // client is connected, and a server resetting then refuses the next program's connection.
    m_server->start(QStringLiteral("Xvfb"),
                    {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                     QStringLiteral("0"), QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                     QStringLiteral("tcp"), QStringLiteral("-noreset")});
    ASSERT_TRUE(m_server->waitForStarted(kStartTimeoutMs))
        << "Xvfb did not start (is the xvfb package installed?): " << m_server->errorString().toStdString();

    QByteArray number;
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!number.contains('\n') && !deadline.hasExpired() && m_server->state() == QProcess::Running) {
        if (m_server->waitForReadyRead(int(deadline.remainingTime())))
            number += m_server->readAllStandardOutput();
    }
    number = number.trimmed();
    bool isNumber = false;
    number.toInt(&isNumber);
    if (!isNumber) {
        StopProcess(*m_server, 1000);
        FAIL() << "Xvfb gave no display number; its output: "
               << m_server->readAllStandardError().toStdString();
    }
    qputenv("DISPLAY", ":" + number);
}

void XvfbEnvironment::TearDown() {
    if (m_server)
        StopProcess(*m_server, 3000);
    m_server.reset();
}
