#pragma once

#include <QString>

// A right-button drag over the picture ends in one of eight directions, or is a plain right
// click when it moved less than 32 pixels both ways. `dx` and `dy` are the cursor's movement
// since the press in screen pixels, y downward. The result is the settings key of the input
// ("mGes6" right, "mGes9" up-right, "mGes8" up, "mGes7" up-left, "mGes4" left, "mGes1"
// down-left, "mGes2" down, "mGes3" down-right, "mGes5" the plain click), laid out as on a
// numeric keypad.
QString GestureKey(int dx, int dy);

// The compass angle of a drag in whole degrees: 0 right, 90 up, 180 left, 270 down.
int GestureAngle(int dx, int dy);
