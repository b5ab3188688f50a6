#pragma once
// Where the timing dialog's grid stands. A grid of rows by columns of cells,
// numbered row by row, each a value field over an address field, with two
// labels at the start of every row. Pure arithmetic on dialog units, turned
// into client pixels by the one conversion every program uses.

#include "sensorlink/bus_address.h"

#include <QRect>
#include <QSize>

#include <cstdint>

namespace timinglayout {

constexpr int kMaxCells = kLastAddressIndex;  // one per single-sensor bus address
constexpr int kSlots = 80;     // rows and cells the dialog keeps room for
constexpr int kMaxRows = 78;   // even with no columns

// The template's client area, before any grid.
constexpr int kTemplateWidth = 387;
constexpr int kTemplateHeight = 47;

constexpr int kBaseRowPitch = 29;
constexpr int kBaseColumnPitch = 35;
// The extra pitch a settings file asks for is kept to this range when the
// grid is laid out (the file keeps what it holds): beyond it the window would
// leave the screen, below it the fields would overlap.
constexpr int32_t kMinExtraPitch = 0;
constexpr int32_t kMaxExtraPitch = 100;

struct Grid {
    int32_t rows = 0;
    int32_t columns = 0;
    bool operator==(const Grid&) const = default;
};

// Columns 0 to 78, rows 0 to 78, and no more rows than 78 cells need: with
// 12 columns 10 rows become 7 (the last holding 6 cells).
Grid Clamp(int64_t rows, int64_t columns);

int32_t SaneExtraPitch(int32_t diff);

QSize TemplateClientPixels();
// The client size for the grid: wide enough for its columns, tall enough for
// its rows, never smaller than the template.
QSize ClientPixels(const Grid& grid, int32_t rowdiff, int32_t columndiff, QSize initial);

// Client pixels of row r's first and second label, and of the value and
// address fields of the cell in row r, column c.
QRect FirstRowLabel(int row, int32_t rowdiff);
QRect SecondRowLabel(int row, int32_t rowdiff);
QRect ValueField(int row, int column, int32_t rowdiff, int32_t columndiff);
QRect AddressField(int row, int column, int32_t rowdiff, int32_t columndiff);

}  // namespace timinglayout
