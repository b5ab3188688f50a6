#include "times/timing_layout.h"

#include "platform/dialog_units.h"

#include <algorithm>

namespace timinglayout {
namespace {

// Each edge converted on its own, as the dialog manager maps a rectangle.
QRect fromEdges(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    const int l = platform::dluToPixelsX(static_cast<int>(left));
    const int t = platform::dluToPixelsY(static_cast<int>(top));
    const int r = platform::dluToPixelsX(static_cast<int>(right));
    const int b = platform::dluToPixelsY(static_cast<int>(bottom));
    return QRect(l, t, r - l, b - t);
}

int64_t rowPitch(int32_t rowdiff) { return int64_t{SaneExtraPitch(rowdiff)} + kBaseRowPitch; }
int64_t columnPitch(int32_t columndiff) { return int64_t{SaneExtraPitch(columndiff)} + kBaseColumnPitch; }

// The window manager's frame was part of the designed window size; the
// grid's height was measured from the client's top plus this much of it.
constexpr int kTemplateHeightAllowance = 75;

}  // namespace

Grid Clamp(int64_t rows, int64_t columns) {
    columns = std::clamp<int64_t>(columns, 0, kMaxCells);
    rows = std::clamp<int64_t>(rows, 0, kMaxRows);
    if (columns > 0 && (rows - 1) * columns >= kMaxCells) rows = (kMaxCells + columns - 1) / columns;
    return {static_cast<int32_t>(rows), static_cast<int32_t>(columns)};
}

int32_t SaneExtraPitch(int32_t diff) { return std::clamp(diff, kMinExtraPitch, kMaxExtraPitch); }

QSize TemplateClientPixels() {
    return {platform::dluToPixelsX(kTemplateWidth), platform::dluToPixelsY(kTemplateHeight)};
}

QSize ClientPixels(const Grid& grid, int32_t rowdiff, int32_t columndiff, QSize initial) {
    const QRect grown = fromEdges(0, 0, columnPitch(columndiff) * grid.columns + 66, rowPitch(rowdiff) * grid.rows + 48);
    const int width = std::max(grown.width(), initial.width());
    const int height = std::max(grown.height() + initial.height() - kTemplateHeightAllowance, initial.height());
    return {width, height};
}

QRect FirstRowLabel(int row, int32_t rowdiff) {
    const int64_t p = rowPitch(rowdiff);
    return fromEdges(10, p * row + 50, 60, p * row + 64);
}

QRect SecondRowLabel(int row, int32_t rowdiff) {
    const int64_t p = rowPitch(rowdiff);
    return fromEdges(10, p * row + 65, 60, p * row + 79);
}

QRect ValueField(int row, int column, int32_t rowdiff, int32_t columndiff) {
    const int64_t p = rowPitch(rowdiff);
    const int64_t q = columnPitch(columndiff);
    return fromEdges(q * column + 62, p * row + 48, q * column + 97, p * row + 62);
}

QRect AddressField(int row, int column, int32_t rowdiff, int32_t columndiff) {
    const int64_t p = rowPitch(rowdiff);
    const int64_t q = columnPitch(columndiff);
    return fromEdges(q * column + 62, p * row + 63, q * column + 97, p * row + 77);
}

}  // namespace timinglayout
