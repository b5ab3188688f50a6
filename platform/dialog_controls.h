#pragma once
// The controls the dialogs place from their templates in dialog units: a
// caption, a drop-down box one line high and a push button; and the one way
// a program puts a text into a field.

#include <QRect>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
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

// An editable box keeps what is typed exactly as typed: no completion from
// its list and no inline fill-in (a typed "10" must never become the entry
// "100", nor "2" the address "200"), and Enter does not add it to the list.
QComboBox* dropDownAt(QWidget* parent, bool editable, const QStringList& items, int x, int y, int width);

// A text the program sets into a field shows its start, as the classic edit
// control does; Qt would leave the cursor at the end and scroll a long
// text's start (a minus sign, the first digit) out of view.
void setFieldText(QLineEdit* field, const QString& text);
// The same for the edit part of an editable box.
void setFieldText(QComboBox* box, const QString& text);

QPushButton* pushButtonAt(QWidget* parent, const char* caption, QRect units);

}  // namespace platform
