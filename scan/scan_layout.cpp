#include "scan/scan_layout.h"

#include "platform/dialog_units.h"

#include <algorithm>

namespace scanlayout {

UnitRect valueBoxUnits(int cell) {
    const int left = kGridLeft + (cellWidth() + kColumnGap) * columnOf(cell);
    const int top = kGridTop + (cellHeight() + kRowGap) * rowOf(cell);
    return {left, top, kValueBoxWidth, kValueBoxHeight};
}

UnitRect labelUnits(int cell) {
    const UnitRect box = valueBoxUnits(cell);
    return {box.x, box.y + kValueBoxHeight + 1, kLabelWidth, kLabelHeight};
}

QSize gridAreaUnits() {
    return QSize((kColumnGap + cellWidth()) * kColumns + 10, (kRowGap + cellHeight()) * kRows + kGridTop);
}

QRect toPixels(const UnitRect& r) { return platform::dluRect(r.x, r.y, r.width, r.height); }

QRect valueBoxPixels(int cell) { return toPixels(valueBoxUnits(cell)); }

QRect labelPixels(int cell) { return toPixels(labelUnits(cell)); }

QSize templateClientPixels() {
    return QSize(platform::dluToPixelsX(kTemplateWidth), platform::dluToPixelsY(kTemplateHeight));
}

QSize grownClientPixels(QSize initial) {
    const QSize area = gridAreaUnits();
    return QSize(std::max(platform::dluToPixelsX(area.width()), initial.width()),
                 std::max(platform::dluToPixelsY(area.height()), initial.height()));
}

}  // namespace scanlayout
