#pragma once
// One part of a grid cell: the value box or the address label. A framed,
// read-only text with its own background and font. It takes no focus and lets
// mouse clicks through to the dialog (which finds the cell by position), yet
// stays enabled so that its text keeps full black instead of a greyed one.

#include "scan/scan_view.h"

#include <QColor>
#include <QLabel>

class CGridCell : public QLabel {
    Q_OBJECT
public:
    CGridCell(QWidget* parent, Qt::Alignment alignment, const QFont& font, const QColor& background);

    void setBackground(const QColor& colour);
    QColor background() const;
};

// The label colours: light yellow when marked, light green while scanned,
// the system's button face otherwise.
QColor shadeColour(LabelShade shade);
// White, behind the angles.
QColor valueBoxColour();
