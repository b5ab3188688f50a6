#pragma once
// Where the scanner dialog's controls and grid cells stand, in dialog units
// and in client pixels. Pure arithmetic, so it can be checked without a window.

#include <QRect>
#include <QSize>

namespace scanlayout {

constexpr int kRows = 8;
constexpr int kColumns = 10;
constexpr int kPlaces = kRows * kColumns;  // 80; the last two stay empty
constexpr int kCellCount = 78;             // one per bus address 178 to 255
constexpr int kFirstAddress = 178;

constexpr int kValueBoxWidth = 48;
constexpr int kValueBoxHeight = 15;
constexpr int kLabelWidth = 48;
constexpr int kLabelHeight = 14;
constexpr int kRowGap = 2;
constexpr int kColumnGap = 2;
constexpr int kGridTop = 32;
constexpr int kGridLeft = 5;

// The dialog as its template makes it, before the grid is added.
constexpr int kTemplateWidth = 317;
constexpr int kTemplateHeight = 26;

struct UnitRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const UnitRect&) const = default;
};

constexpr int cellWidth() { return kValueBoxWidth > kLabelWidth ? kValueBoxWidth : kLabelWidth; }
constexpr int cellHeight() { return kValueBoxHeight + kLabelHeight + 1; }
constexpr int rowOf(int cell) { return cell / kColumns; }
constexpr int columnOf(int cell) { return cell % kColumns; }
constexpr int addressOf(int cell) { return kFirstAddress + cell; }

// Dialog units. `cell` may be any place 0 to 79.
UnitRect valueBoxUnits(int cell);
UnitRect labelUnits(int cell);
// The area the grid needs: 510 x 288 units.
QSize gridAreaUnits();

// Client pixels, through the one dialog-unit conversion.
QRect toPixels(const UnitRect& r);
QRect valueBoxPixels(int cell);
QRect labelPixels(int cell);
QSize templateClientPixels();
// The client size once the grid is added: the grid area, never smaller than
// the template.
QSize grownClientPixels(QSize initial);

}  // namespace scanlayout
