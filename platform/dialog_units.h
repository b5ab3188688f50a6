#pragma once
// Dialog units to pixels: 1 unit = 1.5 px across and 1.625 px down (an
// 8-point dialog font of base units 6 x 13), each edge rounded on its own,
// halves away from zero. Every program uses this one conversion.

#include <QRect>

namespace platform {

int dluToPixelsX(int units);
int dluToPixelsY(int units);
// Rectangle given as x, y, width, height in dialog units.
QRect dluRect(int x, int y, int width, int height);
QRect dluRect(const QRect& units);

}  // namespace platform
