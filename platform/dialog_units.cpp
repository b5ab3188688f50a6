#include "platform/dialog_units.h"

#include <cmath>

namespace platform {

// std::lround rounds halves away from zero, as the conversion requires.
int dluToPixelsX(int units) { return static_cast<int>(std::lround(units * 1.5)); }
int dluToPixelsY(int units) { return static_cast<int>(std::lround(units * 1.625)); }

QRect dluRect(int x, int y, int width, int height) {
    const int left = dluToPixelsX(x);
    const int top = dluToPixelsY(y);
    const int right = dluToPixelsX(x + width);
    const int bottom = dluToPixelsY(y + height);
    return QRect(left, top, right - left, bottom - top);
}

QRect dluRect(const QRect& units) { return dluRect(units.x(), units.y(), units.width(), units.height()); }

}  // namespace platform
