#include "core/input/WheelSteps.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct WheelCase {
    const char* what;
    std::vector<int> deltas;
    std::vector<int> steps; // what each delta completes
};

class WheelStepsTest : public ::testing::TestWithParam<WheelCase> {};

TEST_P(WheelStepsTest, CountsWholeStepsOnly) {
    const WheelCase& c = GetParam();
    WheelSteps wheel;
    std::vector<int> steps;
    for (const int delta : c.deltas) {
        steps.push_back(wheel.Add(delta));
    }
    EXPECT_EQ(steps, c.steps) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Wheel, WheelStepsTest,
    ::testing::Values(WheelCase{"a notch down and one up", {-120, 120}, {-1, 1}},
                      WheelCase{"a fast turn of two notches in one event", {-240}, {-2}},
                      WheelCase{"a high-resolution wheel: eight events per notch",
                                {15, 15, 15, 15, 15, 15, 15, 15, 15},
                                {0, 0, 0, 0, 0, 0, 0, 1, 0}},
                      WheelCase{"a touchpad swipe of small uneven deltas",
                                {-7, -30, -50, -40, -100, -13},
                                {0, 0, 0, -1, 0, -1}},
                      WheelCase{"turning back forgets the part step", {90, -30, -90}, {0, 0, -1}},
                      WheelCase{"a part step and a notch", {60, 120, 60}, {0, 1, 1}}));

} // namespace
