#pragma once

#include <QtGlobal>
#include <chrono>

// Milliseconds of a steady clock, for intervals and the choice of a tip.
inline qint64 TickCount() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
