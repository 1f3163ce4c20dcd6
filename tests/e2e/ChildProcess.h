#pragma once

class QProcess;

// Makes a child started through `process` die with this test program, even when the program is
// killed by a timeout, so no Xvfb or Ruvela outlives a test run.
void DieWithParent(QProcess& process);

// Ends `process` if it still runs: SIGTERM first, SIGKILL after `graceMs`; always reaps it.
void StopProcess(QProcess& process, int graceMs);
