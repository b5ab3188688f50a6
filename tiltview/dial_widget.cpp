#include "tiltview/dial_widget.h"

#include <QKeyEvent>
#include <QPainter>

#include <cmath>

namespace tiltdial {

QColor backgroundColour() { return QColor(128, 128, 128); }
QColor faceColour() { return QColor(192, 192, 224); }
QColor darkHalfColour() { return QColor(0, 0, 128); }
QColor hubColour() { return QColor(192, 192, 192); }
QColor needleColour() { return QColor(0, 0, 128); }

namespace {

// A box whose right and bottom edges lie outside the shape, as a QRect of
// the pixels inside it.
QRect pixelsOf(const Box& box) { return QRect(QPoint(box.left, box.top), QPoint(box.right - 1, box.bottom - 1)); }

// Screen direction of a radial point in Qt's angles: degrees counterclockwise
// from 3 o'clock, y up.
double qtDegrees(const Point& centre, const Point& radial) {
    constexpr double kDegreesPerRadian = 57.29577951308232;
    return std::atan2(double(centre.y - radial.y), double(radial.x - centre.x)) * kDegreesPerRadian;
}

}  // namespace

void PaintDial(QPainter& painter, const Geometry& g) {
    painter.save();
    // Whole pixels with hard edges, so every pixel holds one of the dial's colours.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPen outline(QColor(0, 0, 0), 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);

    painter.fillRect(QRect(0, 0, g.width, g.height), backgroundColour());

    painter.setPen(outline);
    painter.setBrush(faceColour());
    painter.drawEllipse(pixelsOf(g.face));

    // The arc runs counterclockwise on the screen from the start point's
    // direction to the end point's; Qt counts angles in sixteenths of a degree.
    const double start = qtDegrees(g.centre, g.chordStart);
    double span = qtDegrees(g.centre, g.chordEnd) - start;
    while (span <= 0.0) span += 360.0;
    while (span > 360.0) span -= 360.0;
    painter.setBrush(darkHalfColour());
    painter.drawChord(pixelsOf(g.face), int(std::lround(start * 16.0)), int(std::lround(span * 16.0)));

    painter.setBrush(hubColour());
    painter.drawEllipse(pixelsOf(g.hub));

    painter.setPen(QPen(needleColour(), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(QPoint(g.needleFrom.x, g.needleFrom.y), QPoint(g.needleTo.x, g.needleTo.y));
    painter.restore();
}

}  // namespace tiltdial

CTiltDial::CTiltDial(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    // A tab stop that a click also focuses, as a button is (so a typed
    // address snaps when the user clicks here); drawn the same with the focus.
    setFocusPolicy(Qt::StrongFocus);
    // Every paint covers the whole contents: nothing behind needs erasing.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CTiltDial::setAngle(double degrees) {
    // A steady or silent sensor gives the same angle tick after tick: its
    // picture stands already.
    if (degrees == angle_) return;
    angle_ = degrees;
    update();
}

void CTiltDial::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    // Sized from the whole contents, never from the area this paint must
    // renew, so a partial paint cannot shrink the dial.
    const QRect area = contentsRect();
    QPainter painter(this);
    painter.setClipRect(area);
    painter.translate(area.topLeft());
    tiltdial::PaintDial(painter, tiltdial::DialGeometry(angle_, area.width(), area.height()));
}

void CTiltDial::keyPressEvent(QKeyEvent* event) {
    // A button with the focus takes Enter and Space itself; the dial's
    // click does nothing, so neither do they (Enter must not end the dialog).
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space: event->accept(); return;
    default: QFrame::keyPressEvent(event);
    }
}
