#pragma once

#include <QProcess>
#include <gtest/gtest.h>
#include <memory>

// A private X server for one test program: starts Xvfb on a display number that Xvfb picks
// itself (so test programs running side by side never share one) and points this process's
// DISPLAY at it, so every program the driver starts draws there. No window manager runs: the
// driver gives focus itself and Ruvela binds Alt+F4 to its own exit command.
// Stopped when the test program ends; Xvfb also dies with this process if it is killed.
class XvfbEnvironment : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;

private:
    std::unique_ptr<QProcess> m_server;
};
