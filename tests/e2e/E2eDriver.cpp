#include "e2e/E2eDriver.h"

#include "e2e/ChildProcess.h"
#include "e2e/XvfbEnvironment.h"
#include "support/TestPaths.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcessEnvironment>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// The end-to-end programs share the unit tests' main, so the X server joins them here: one per
// test program, up before the first test.
[[maybe_unused]] const ::testing::Environment* const kXvfb =
    ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

constexpr int kToolTimeoutMs = 5000;
constexpr int kPollMs = 50;
constexpr int kStopGraceMs = 2000;

// Scans leave out files below this size, so every test picture is larger.
constexpr qsizetype kLeastListedSize = 128;

QByteArray Encoded(const TestPicture& picture) {
    // A pattern rather than a flat colour: even an 8x8 PNG of it stays above the least size.
    QImage image(picture.size, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                           qRgb((x * 37 + y * 11) & 255, ((x * 13) ^ (y * 29)) & 255, (x * y * 7) & 255));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, QFileInfo(picture.name).suffix().toLatin1().constData());
    return bytes;
}

} // namespace

E2eDriver::E2eDriver() {
    m_root.folder(QStringLiteral("home"));
    m_root.folder(QStringLiteral("tmp"));
    QDir().mkpath(m_root.file(QStringLiteral("runtime")));
    QFile::setPermissions(m_root.file(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

E2eDriver::~E2eDriver() {
    StopProcess(m_program, kStopGraceMs);
}

QString E2eDriver::home() const {
    return m_root.file(QStringLiteral("home"));
}

QString E2eDriver::dataFolder() const {
    return m_root.file(QStringLiteral("data"));
}

QString E2eDriver::tempFolder() const {
    return m_root.file(QStringLiteral("tmp"));
}

::testing::AssertionResult E2eDriver::setKeyboardLayout(const QString& layout) {
    QProcess tool;
    DieWithParent(tool);
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layout});
    if (!tool.waitForStarted(kToolTimeoutMs))
        return ::testing::AssertionFailure()
               << "setxkbmap did not start (is the x11-xkb-utils package installed?): "
               << tool.errorString().toStdString();
    if (!tool.waitForFinished(kToolTimeoutMs) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0) {
        StopProcess(tool, kStopGraceMs);
        return ::testing::AssertionFailure()
               << "setxkbmap -layout " << layout.toStdString() << " failed: " << tool.readAll().toStdString();
    }
    return ::testing::AssertionSuccess();
}

QString E2eDriver::writePictures(const QString& relative, const QList<TestPicture>& pictures) const {
    const QString inRoot = relative.isEmpty() ? QStringLiteral("home") : QStringLiteral("home/") + relative;
    const QString folder = m_root.folder(inRoot);
    for (const TestPicture& picture : pictures) {
        const QByteArray bytes = Encoded(picture);
        EXPECT_GT(bytes.size(), kLeastListedSize) << "cannot encode " << picture.name.toStdString();
        m_root.write(inRoot + QLatin1Char('/') + picture.name, bytes);
    }
    return folder;
}

QByteArray E2eDriver::writeSortingTable(const QStringList& entries) const {
    constexpr int kEntries = 144;
    QByteArray table;
    for (int i = 0; i < kEntries; ++i)
        table += entries.value(i).toUtf8() + "\r\n";
    QFile file(dataFolder() + QStringLiteral("/MoveTo.txt"));
    if (!QDir().mkpath(dataFolder()) || !file.open(QIODevice::WriteOnly) || file.write(table) != table.size())
        return {};
    return table;
}

::testing::AssertionResult E2eDriver::start(const QStringList& arguments) {
    const QString binary = RuvelaBinary();
    if (binary.isEmpty() || !QFileInfo(binary).isExecutable())
        return ::testing::AssertionFailure()
               << "the program is not an executable: '" << binary.toStdString() << "'";
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return ::testing::AssertionFailure() << "no X server: the test program's Xvfb did not start";

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // A desktop session's manager and message bus stay out of the test: a dead bus address also
    // keeps the program from launching a bus daemon that would outlive it.
    env.remove(QStringLiteral("SESSION_MANAGER"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
               QStringLiteral("unix:path=") + m_root.file(QStringLiteral("runtime/no-bus")));
    env.insert(QStringLiteral("HOME"), home());
    env.insert(QStringLiteral("XDG_DATA_HOME"), home() + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home() + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home() + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_root.file(QStringLiteral("runtime")));
    env.insert(QStringLiteral("RUVELA_DATA_DIR"), dataFolder());
    env.insert(QStringLiteral("TMPDIR"), tempFolder());

    m_program.setProcessEnvironment(env);
    m_program.setWorkingDirectory(home());
    // A log file rather than a pipe: nobody reads a pipe while a test polls, and a full one
    // would stall the program.
    m_program.setProcessChannelMode(QProcess::MergedChannels);
    m_program.setStandardOutputFile(m_root.file(QStringLiteral("program.log")));
    m_program.setStandardInputFile(QProcess::nullDevice());
    DieWithParent(m_program);
    m_program.start(binary, arguments);
    if (!m_program.waitForStarted(kToolTimeoutMs))
        return failure(QStringLiteral("the program did not start: ") + m_program.errorString());
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult E2eDriver::waitForWindow(const QRegularExpression& title, int timeoutMs) {
    const QString pid = QString::number(m_program.processId());
    const QDeadlineTimer deadline(timeoutMs);
    QStringList seen;
    while (m_program.state() == QProcess::Running) {
        // No window manager runs, so the program's top-level windows are found by the pid Qt
        // stores on each of them.
        const ToolResult found = xdotool(
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), pid});
        seen.clear();
        for (const QString& window : found.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const ToolResult name = xdotool({QStringLiteral("getwindowname"), window});
            if (name.ok && title.match(name.out).hasMatch()) {
                m_window = window;
                return ::testing::AssertionSuccess();
            }
            seen << QLatin1Char('"') + name.out + QLatin1Char('"');
        }
        if (deadline.hasExpired())
            return failure(
                QStringLiteral("no window titled /%1/ after %2 ms; windows: %3")
                    .arg(title.pattern())
                    .arg(timeoutMs)
                    .arg(seen.isEmpty() ? QStringLiteral("none") : seen.join(QStringLiteral(", "))));
        // Waiting on the process, not sleeping: that is also what notices that it ended.
        m_program.waitForFinished(kPollMs);
    }
    return failure(
        QStringLiteral("the program ended before showing a window titled /%1/").arg(title.pattern()));
}

::testing::AssertionResult E2eDriver::waitForTitle(const QRegularExpression& title, int timeoutMs) {
    if (m_window.isEmpty())
        return ::testing::AssertionFailure() << "no window yet: call waitForWindow first";
    const QDeadlineTimer deadline(timeoutMs);
    QString last;
    while (m_program.state() == QProcess::Running) {
        last = this->title();
        if (title.match(last).hasMatch())
            return ::testing::AssertionSuccess();
        if (deadline.hasExpired())
            return failure(QStringLiteral("the title is \"%1\", not /%2/ after %3 ms")
                               .arg(last, title.pattern())
                               .arg(timeoutMs));
        m_program.waitForFinished(kPollMs);
    }
    return failure(QStringLiteral("the program ended with the title \"%1\" before it matched /%2/")
                       .arg(last, title.pattern()));
}

QString E2eDriver::title() const {
    if (m_window.isEmpty())
        return {};
    return xdotool({QStringLiteral("getwindowname"), m_window}).out;
}

QSize E2eDriver::windowSize() const {
    if (m_window.isEmpty())
        return {};
    const ToolResult geometry =
        xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_window});
    QSize size;
    for (const QString& line : geometry.out.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("WIDTH=")))
            size.setWidth(line.mid(6).toInt());
        else if (line.startsWith(QLatin1String("HEIGHT=")))
            size.setHeight(line.mid(7).toInt());
    }
    return size;
}

::testing::AssertionResult E2eDriver::pressKeys(const QStringList& keys) {
    if (m_window.isEmpty())
        return ::testing::AssertionFailure() << "no window yet: call waitForWindow first";
    // Qt takes only real key events (XTEST), which go to the window holding the focus.
    const ToolResult focus = xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_window});
    if (!focus.ok)
        return failure(QStringLiteral("cannot focus the window: ") + focus.error);
    for (const QString& key : keys) {
        const ToolResult pressed = xdotool({QStringLiteral("key"), key});
        if (!pressed.ok)
            return failure(QStringLiteral("cannot press %1: %2").arg(key, pressed.error));
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult E2eDriver::typeText(const QString& text) {
    if (m_window.isEmpty())
        return ::testing::AssertionFailure() << "no window yet: call waitForWindow first";
    const ToolResult focus = xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_window});
    if (!focus.ok)
        return failure(QStringLiteral("cannot focus the window: ") + focus.error);
    // A character missing from the keyboard map is typed by mapping it onto a spare key first;
    // a short pause between the keys lets the program read each new map before the press
    // (with 30 ms one press in about ten read the old map and was lost).
    const ToolResult typed = xdotool({QStringLiteral("type"), QStringLiteral("--delay"),
                                      QStringLiteral("150"), QStringLiteral("--"), text});
    if (!typed.ok)
        return failure(QStringLiteral("cannot type %1: %2").arg(text, typed.error));
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult E2eDriver::dragMouse(int button, QPoint from, QPoint to) {
    if (m_window.isEmpty())
        return ::testing::AssertionFailure() << "no window yet: call waitForWindow first";
    const QString buttonText = QString::number(button);
    const auto moveTo = [this](QPoint at) {
        return xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window,
                        QString::number(at.x()), QString::number(at.y())});
    };
    const ToolResult start = moveTo(from);
    if (!start.ok)
        return failure(QStringLiteral("cannot move the pointer: ") + start.error);
    const ToolResult down = xdotool({QStringLiteral("mousedown"), buttonText});
    if (!down.ok)
        return failure(QStringLiteral("cannot press button %1: %2").arg(buttonText, down.error));
    // A few steps, as a hand moves, so the program sees the button held while the pointer moves.
    constexpr int kSteps = 4;
    for (int step = 1; step <= kSteps; ++step) {
        const ToolResult moved = moveTo(from + (to - from) * step / kSteps);
        if (!moved.ok)
            return failure(QStringLiteral("cannot move the pointer: ") + moved.error);
    }
    const ToolResult up = xdotool({QStringLiteral("mouseup"), buttonText});
    if (!up.ok)
        return failure(QStringLiteral("cannot let go of button %1: %2").arg(buttonText, up.error));
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult E2eDriver::waitForExit(int* exitCode, int timeoutMs) {
    if (m_program.state() != QProcess::NotRunning && !m_program.waitForFinished(timeoutMs)) {
        StopProcess(m_program, kStopGraceMs);
        return failure(QStringLiteral("the program did not end within %1 ms and was killed").arg(timeoutMs));
    }
    if (m_program.exitStatus() == QProcess::CrashExit)
        return failure(QStringLiteral("the program crashed"));
    *exitCode = m_program.exitCode();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult E2eDriver::closeWithAltF4(int* exitCode) {
    const ::testing::AssertionResult pressed = pressKeys({QStringLiteral("alt+F4")});
    if (!pressed)
        return pressed;
    return waitForExit(exitCode);
}

::testing::AssertionResult E2eDriver::sendSignal(int signalNumber) {
    if (m_program.state() != QProcess::Running)
        return failure(QStringLiteral("the program is not running"));
    if (::kill(static_cast<pid_t>(m_program.processId()), signalNumber) != 0)
        return failure(QStringLiteral("kill failed: ") + QString::fromLocal8Bit(std::strerror(errno)));
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult E2eDriver::waitUntil(const std::function<bool()>& condition, const QString& what,
                                                int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (m_program.state() == QProcess::Running) {
        if (condition())
            return ::testing::AssertionSuccess();
        if (deadline.hasExpired())
            return failure(QStringLiteral("not so after %1 ms: %2").arg(timeoutMs).arg(what));
        m_program.waitForFinished(kPollMs);
    }
    return failure(QStringLiteral("the program ended before this held: ") + what);
}

QString E2eDriver::output() const {
    QFile log(m_root.file(QStringLiteral("program.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll());
}

qint64 E2eDriver::processId() const {
    return m_program.processId();
}

E2eDriver::ToolResult E2eDriver::xdotool(const QStringList& arguments) const {
    QProcess tool;
    DieWithParent(tool);
    tool.start(QStringLiteral("xdotool"), arguments);
    ToolResult result;
    if (!tool.waitForStarted(kToolTimeoutMs)) {
        result.error = QStringLiteral("xdotool did not start (is the xdotool package installed?): ") +
                       tool.errorString();
        return result;
    }
    if (!tool.waitForFinished(kToolTimeoutMs)) {
        StopProcess(tool, kStopGraceMs);
        result.error = QStringLiteral("xdotool %1 did not finish").arg(arguments.join(QLatin1Char(' ')));
        return result;
    }
    result.out = QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
    result.error = QString::fromUtf8(tool.readAllStandardError()).trimmed();
    result.ok = tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
    return result;
}

::testing::AssertionResult E2eDriver::failure(const QString& what) const {
    return ::testing::AssertionFailure() << what.toStdString() << "\n--- program output ---\n"
                                         << output().toStdString() << "--- end of program output ---";
}
