#include "core/input/Gesture.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

int GestureAngle(int dx, int dy) {
    // The angle is cut towards zero before it is turned round, so 40 right and 10 up (-14.04°)
    // gives 14, and a drag just off an edge stays on the side it started from.
    const int a = static_cast<int>(std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * 180.0 /
                                   std::numbers::pi);
    return a > 0 ? 360 - a : -a;
}

QString GestureKey(int dx, int dy) {
    if (std::abs(dx) < 32 && std::abs(dy) < 32) {
        return QStringLiteral("mGes5");
    }
    struct Sector {
        int last; // the largest angle of the sector
        const char* key;
    };
    static constexpr Sector kSectors[] = {
        {21, "mGes6"},  {66, "mGes9"},  {111, "mGes8"}, {156, "mGes7"}, {202, "mGes4"},
        {247, "mGes1"}, {292, "mGes2"}, {337, "mGes3"}, {359, "mGes6"},
    };
    const int angle = GestureAngle(dx, dy);
    for (const Sector& sector : kSectors) {
        if (angle <= sector.last) {
            return QString::fromLatin1(sector.key);
        }
    }
    return QStringLiteral("mGes6");
}
