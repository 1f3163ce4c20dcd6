#include "support/Unprivileged.h"

#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

constexpr int kNobody = 65534;
constexpr int kTimeoutMs = 120000;

// setpriv's exit codes when it could not start the program at all.
constexpr int kCannotExecute = 126;
constexpr int kNotFound = 127;

} // namespace

bool RunsAsOrdinaryUser() {
    if (::geteuid() != 0) {
        return true;
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString::fromUtf8(test->test_suite_name()) + QLatin1Char('.') + test->name();
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=%1").arg(kNobody), QStringLiteral("--regid=%1").arg(kNobody),
                 QStringLiteral("--clear-groups"), QStringLiteral("--"), self,
                 QStringLiteral("--gtest_filter=") + name});
    if (self.isEmpty() || !child.waitForStarted()) {
        [] { GTEST_SKIP() << "setpriv cannot be started, so the test cannot run as an ordinary user"; }();
        return false;
    }
    const bool finished = child.waitForFinished(kTimeoutMs);
    const QString output = QString::fromUtf8(child.readAll());
    if (!finished) {
        child.kill();
        child.waitForFinished();
        ADD_FAILURE() << "the test run as an ordinary user did not end:\n" << output.toStdString();
        return false;
    }
    const int code = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    if (code == kCannotExecute || code == kNotFound) {
        [&output] {
            GTEST_SKIP() << "the test program cannot be run as an ordinary user here:\n"
                         << output.toStdString();
        }();
        return false;
    }
    EXPECT_EQ(code, 0) << "the test failed when run as an ordinary user:\n" << output.toStdString();
    if (code != 0) {
        return false;
    }
    if (output.contains(QStringLiteral("[  SKIPPED ]"))) {
        [&output] { GTEST_SKIP() << output.toStdString(); }();
    } else {
        EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test.")))
            << "the run as an ordinary user ran no test:\n"
            << output.toStdString();
    }
    return false;
}
