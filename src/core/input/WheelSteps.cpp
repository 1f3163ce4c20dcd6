#include "core/input/WheelSteps.h"

int WheelSteps::Add(int delta) {
    if ((delta > 0 && m_rest < 0) || (delta < 0 && m_rest > 0)) {
        m_rest = 0;
    }
    // Kept within one step, so no sum of deltas can overflow.
    m_rest += delta % kStep;
    const int steps = delta / kStep + m_rest / kStep;
    m_rest %= kStep;
    return steps;
}
