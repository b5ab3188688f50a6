#pragma once
// The controls the dialogs place from their templates in dialog units: a
// caption, a drop-down box one line high and a push button.

#include <QRect>
#include <QStringList>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace platform {

// A closed drop-down box is one line high; the templates' heights are those
// of the opened lists, which would cover the controls below.
constexpr int kClosedBoxHeightUnits = 12;

// A caption sized in dialog units is a few pixels short for its text in this
// font; it may grow into the gap before the next control on its right (at
// `nextXUnits`) rather than lose its last letters.
QLabel* captionAt(QWidget* parent, const char* text, QRect units, int nextXUnits);

// Enter in the edit part of an editable box does not add what was typed to
// the list.
QComboBox* dropDownAt(QWidget* parent, bool editable, const QStringList& items, int x, int y, int width);

QPushButton* pushButtonAt(QWidget* parent, const char* caption, QRect units);

}  // namespace platform
