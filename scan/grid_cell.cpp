#include "scan/grid_cell.h"

#include <QApplication>
#include <QPalette>

CGridCell::CGridCell(QWidget* parent, Qt::Alignment alignment, const QFont& font, const QColor& background)
    : QLabel(parent) {
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setIndent(2);
    setAlignment(alignment | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(font);
    setAutoFillBackground(true);
    QPalette colours = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        colours.setColor(group, QPalette::WindowText, Qt::black);
    setPalette(colours);
    setBackground(background);
}

void CGridCell::setBackground(const QColor& colour) {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colour);
    setPalette(colours);
}

QColor CGridCell::background() const { return palette().color(QPalette::Window); }

QColor shadeColour(LabelShade shade) {
    switch (shade) {
    case LabelShade::Marked: return QColor(255, 255, 128);
    case LabelShade::Scanning: return QColor(96, 255, 96);
    case LabelShade::ButtonFace: break;
    }
    return QApplication::palette().color(QPalette::Active, QPalette::Button);
}

QColor valueBoxColour() { return QColor(Qt::white); }
