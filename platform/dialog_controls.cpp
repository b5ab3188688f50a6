#include "platform/dialog_controls.h"

#include "platform/dialog_units.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

namespace platform {

QLabel* captionAt(QWidget* parent, const char* text, QRect units, int nextXUnits) {
    auto* label = new QLabel(QString::fromUtf8(text), parent);
    QRect pixels = dluRect(units);
    const int needed = label->fontMetrics().horizontalAdvance(label->text()) + 1;
    const int room = dluToPixelsX(nextXUnits) - pixels.x() - 1;
    pixels.setWidth(std::min(std::max(pixels.width(), needed), room));
    label->setGeometry(pixels);
    return label;
}

QComboBox* dropDownAt(QWidget* parent, bool editable, const QStringList& items, int x, int y, int width) {
    auto* box = new QComboBox(parent);
    box->setEditable(editable);
    if (editable) {
        box->setInsertPolicy(QComboBox::NoInsert);
        // Making a box editable gives it a completer that fills in the first
        // list entry starting with what was typed.
        box->setCompleter(nullptr);
    }
    box->addItems(items);
    box->setGeometry(dluRect(x, y, width, kClosedBoxHeightUnits));
    return box;
}

void setFieldText(QLineEdit* field, const QString& text) {
    field->setText(text);
    field->setCursorPosition(0);
}

void setFieldText(QComboBox* box, const QString& text) {
    box->setEditText(text);
    if (QLineEdit* edit = box->lineEdit()) edit->setCursorPosition(0);
}

QPushButton* pushButtonAt(QWidget* parent, const char* caption, QRect units) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setGeometry(dluRect(units));
    return button;
}

}  // namespace platform
