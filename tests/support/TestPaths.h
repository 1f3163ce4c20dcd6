#pragma once

#include <QString>

// The demo folder written at build time, and the built program. The environment variables
// RUVELA_DEMO_DIR and RUVELA_BINARY override the places the build knows.
inline QString DemoFolder() {
    const QString fromEnvironment = qEnvironmentVariable("RUVELA_DEMO_DIR");
    return fromEnvironment.isEmpty() ? QStringLiteral(RUVELA_TEST_DEMO_DIR) : fromEnvironment;
}

inline QString RuvelaBinary() {
    const QString fromEnvironment = qEnvironmentVariable("RUVELA_BINARY");
    return fromEnvironment.isEmpty() ? QStringLiteral(RUVELA_TEST_BINARY) : fromEnvironment;
}
