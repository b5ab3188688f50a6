#pragma once
// Fonts by the names the dialogs were designed with, as installed families of
// matching metrics, so that text sized in dialog units fits its control:
//   "MS Sans Serif", "Arial"  -> Liberation Sans
//   "Times New Roman"         -> Liberation Serif
//   "Terminal"                -> Liberation Mono (else the system's fixed font)
//   any other name            -> Liberation Sans
// Names compare without regard to case, as the design's system did.

#include <QFont>

namespace platform {

QFont mappedFont(const char* designName, int pointSize, bool bold = false);

// 8-point "MS Sans Serif": every dialog's own font.
QFont dialogFont();

}  // namespace platform
