#pragma once

#include "support/TempFolder.h"

#include <QList>
#include <QPoint>
#include <QProcess>
#include <QRegularExpression>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

// A picture written into a test folder: its file name (the extension picks the format: jpg,
// png or bmp) and its size.
struct TestPicture {
    QString name;
    QSize size;
};

// The main window's title: "Ruvela - " followed by what `pattern` matches.
inline QRegularExpression Title(const QString& pattern) {
    return QRegularExpression(QStringLiteral("^Ruvela - ") + pattern);
}

// Drives the real `ruvela` executable (built with the tests, or the one RUVELA_BINARY names) on
// the private X server of the test program (XvfbEnvironment) the way a user does: starts it
// with arguments, waits for its window, presses keys, reads the window title and ends it.
//
// Each driver gives the program a temporary home folder and data folder of its own, removed with
// the driver, so a test never touches the user's files. The program's output goes to a log file
// that failure messages quote. A program still running when the driver goes is killed and
// reaped. Lives on the test's thread; every wait polls with a timeout.
class E2eDriver {
public:
    static constexpr int kTimeoutMs = 20000;

    E2eDriver();
    ~E2eDriver();
    E2eDriver(const E2eDriver&) = delete;
    E2eDriver& operator=(const E2eDriver&) = delete;

    // HOME of the program: its desktop folder is "Desktop" in it when that exists, else the home.
    QString home() const;
    // RUVELA_DATA_DIR of the program; not made in advance.
    QString dataFolder() const;
    // TMPDIR of the program, where it makes its private temporary folder.
    QString tempFolder() const;

    // Gives the test program's X server the keyboard layout `layout` ("jp", "us"): programs
    // started afterwards read their keys through it.
    static ::testing::AssertionResult setKeyboardLayout(const QString& layout);

    // Makes the folder `relative` in the home folder (empty: the home itself), writes `pictures`
    // into it one after another in the given order, and returns the folder's full path.
    QString writePictures(const QString& relative, const QList<TestPicture>& pictures) const;

    // Writes "MoveTo.txt" into the data folder: `entries` from the first key on, the rest of the
    // 144 entries empty, each line ended with CR LF. Returns the bytes written; empty when the
    // file could not be written.
    QByteArray writeSortingTable(const QStringList& entries) const;

    ::testing::AssertionResult start(const QStringList& arguments = {});
    // Waits until the program shows a window whose title matches `title` and makes it the window
    // the other calls act on.
    ::testing::AssertionResult waitForWindow(const QRegularExpression& title, int timeoutMs = kTimeoutMs);
    // Waits until the window's title matches `title`; the failure tells the last title seen.
    ::testing::AssertionResult waitForTitle(const QRegularExpression& title, int timeoutMs = kTimeoutMs);
    // The window's title now (empty when it cannot be read).
    QString title() const;
    // The size of the window's client area now (empty when it cannot be read).
    QSize windowSize() const;
    // Gives the window the keyboard focus and presses each key combination in turn, in xdotool's
    // names: "Right", "ctrl+o", "alt+F4".
    ::testing::AssertionResult pressKeys(const QStringList& keys);
    // Gives the window the keyboard focus and types `text` (any characters, Japanese too) as
    // key presses.
    ::testing::AssertionResult typeText(const QString& text);
    // Moves the pointer to `from` (window coordinates), holds mouse button `button` (xdotool's
    // numbers: 1 left, 2 middle, 3 right), moves to `to` in a few steps and lets go there.
    ::testing::AssertionResult dragMouse(int button, QPoint from, QPoint to);
    // Waits for the program to end and stores its exit code; a program still running after the
    // timeout is killed and the wait fails, and so does a crash.
    ::testing::AssertionResult waitForExit(int* exitCode, int timeoutMs = kTimeoutMs);
    // Presses Alt+F4 (the exit command) and waits for the program to end.
    ::testing::AssertionResult closeWithAltF4(int* exitCode);
    // Sends the Unix signal `signalNumber` to the running program.
    ::testing::AssertionResult sendSignal(int signalNumber);
    // Waits until `condition` holds while the program runs; the failure names `what`.
    ::testing::AssertionResult waitUntil(const std::function<bool()>& condition, const QString& what,
                                         int timeoutMs = kTimeoutMs);

    // What the program wrote to stdout and stderr so far.
    QString output() const;
    // The process id of the running program (to read its /proc entries); 0 when none runs.
    qint64 processId() const;

private:
    struct ToolResult {
        bool ok = false;
        QString out;
        QString error;
    };
    ToolResult xdotool(const QStringList& arguments) const;
    ::testing::AssertionResult failure(const QString& what) const;

    TempFolder m_root;
    QProcess m_program;
    QString m_window;
};
