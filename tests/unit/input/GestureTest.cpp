#include "core/input/Gesture.h"

#include <gtest/gtest.h>

namespace {

struct DragCase {
    int dx;
    int dy;
    const char* key;
    int angle; // -1: not asked (a plain click)
};

TEST(Gesture, ADragEndsInOneOfEightDirectionsOrIsAClick) {
    const DragCase cases[] = {
        {40, -10, "mGes6", 14}, // 40 right and 10 up
        {0, 32, "mGes2", 270},  // exactly 32 down
        {0, 31, "mGes5", -1},   // 31 down: a click
        {31, -31, "mGes5", -1}, // both under 32
        {-31, 0, "mGes5", -1},
        {100, -40, "mGes6", 21}, // -21.8° cut to -21: still right
        {100, -41, "mGes9", 22}, // -22.3° cut to -22: up-right
        {40, -100, "mGes8", 68}, // -68.2° cut to -68: up
        {0, -50, "mGes8", 90},
        {-50, -50, "mGes7", 135},
        {-50, 0, "mGes4", 180},
        {-50, 50, "mGes1", 225},
        {50, 50, "mGes3", 315},
        {50, 0, "mGes6", 0},
        {100, 1, "mGes6", 0},    // 0.6° cut to 0
        {100, 30, "mGes6", 344}, // 16.7° below the right: 344
        {100, 45, "mGes3", 336}, // 24.2° below: down-right
        // Both sides of every edge between two sectors, by the angle cut to whole degrees.
        {14, -32, "mGes9", 66},
        {13, -32, "mGes8", 67},
        {-13, -33, "mGes8", 111},
        {-13, -32, "mGes7", 112},
        {-32, -14, "mGes7", 156},
        {-32, -13, "mGes4", 157},
        {-33, 13, "mGes4", 202},
        {-32, 13, "mGes1", 203},
        {-14, 32, "mGes1", 247},
        {-13, 32, "mGes2", 248},
        {13, 33, "mGes2", 292},
        {13, 32, "mGes3", 293},
        {32, 14, "mGes3", 337},
        {32, 13, "mGes6", 338},
    };
    for (const DragCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.dx << ", " << c.dy);
        EXPECT_EQ(GestureKey(c.dx, c.dy), QString::fromLatin1(c.key));
        if (c.angle >= 0) {
            EXPECT_EQ(GestureAngle(c.dx, c.dy), c.angle);
        }
    }
}

} // namespace
