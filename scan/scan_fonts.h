#pragma once
// The scanner's fonts, mapped to installed families of matching metrics.

#include <QFont>

namespace scanfonts {

// 8-point "MS Sans Serif": the dialog's own font and the address labels'.
QFont dialogFont();
// Bold 10-point "Terminal": the value boxes. A monospace face, so that the
// angles line up from cell to cell.
QFont valueBoxFont();

}  // namespace scanfonts
