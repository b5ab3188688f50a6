#pragma once
// The dial: a face with a dark half opposite the needle, a hub, and the
// needle at the angle. PaintDial draws it into any painter (the widget, or an
// image in tests); CTiltDial is the dialog's control, a thin sunken frame
// that takes no action on a click and looks the same focused or not.

#include "tiltview/dial_geometry.h"

#include <QColor>
#include <QFrame>

class QPainter;

namespace tiltdial {

QColor backgroundColour();  // 128, 128, 128
QColor faceColour();        // 192, 192, 224
QColor darkHalfColour();    // 0, 0, 128
QColor hubColour();         // 192, 192, 192
QColor needleColour();      // 0, 0, 128

// Draws the whole dial over the area (0, 0) to (width, height) of the geometry.
void PaintDial(QPainter& painter, const Geometry& geometry);

}  // namespace tiltdial

class CTiltDial : public QFrame {
    Q_OBJECT
public:
    explicit CTiltDial(QWidget* parent = nullptr);

    double angle() const { return angle_; }
    // A new angle, drawn at the next paint.
    void setAngle(double degrees);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    double angle_ = 0.0;
};
