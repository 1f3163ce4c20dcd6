#pragma once

// Turns wheel turns into steps through the list: 120 eighths of a degree make one step, whether
// they come as one notch of a plain wheel, as several events of a high-resolution wheel or as
// the many small ones of a touchpad swipe. A turn the other way starts afresh. GUI thread.
class WheelSteps {
public:
    static constexpr int kStep = 120;

    // Adds `delta` (QWheelEvent::angleDelta().y()) and returns the whole steps it completes:
    // positive upwards (away from the user), negative downwards, 0 while a step is not full.
    int Add(int delta);
    // Forgets a part step, as when the wheel starts a new meaning.
    void Reset() { m_rest = 0; }

private:
    int m_rest = 0;
};
