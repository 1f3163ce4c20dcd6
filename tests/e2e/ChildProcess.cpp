#include "e2e/ChildProcess.h"

#include <QProcess>
#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

void DieWithParent(QProcess& process) {
    const pid_t parent = getpid();
    process.setChildProcessModifier([parent] {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        // The parent may have died between fork and prctl.
        if (getppid() != parent)
            _exit(127);
    });
}

void StopProcess(QProcess& process, int graceMs) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(graceMs)) {
        process.kill();
        process.waitForFinished(-1);
    }
}
