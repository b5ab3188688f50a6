#include "tiltview/dial_geometry.h"

#include <cmath>

namespace tiltdial {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;  // pi / 180
constexpr double kRadialLength = 1024.0;

// Conversion toward zero, as the drawing's integer coordinates take it.
int trunc(double value) { return static_cast<int>(value); }

Box boxAround(const Point& centre, int radius) {
    return {centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius};
}

// A radial point: `radius` in the direction `degrees`, clockwise from up.
Point pointAt(const Point& centre, double degrees, double radius) {
    const double t = degrees * kRadiansPerDegree;
    return {centre.x + trunc(radius * std::sin(t)), centre.y - trunc(radius * std::cos(t))};
}

}  // namespace

Geometry DialGeometry(double angleDegrees, int width, int height) {
    Geometry g;
    g.width = width;
    g.height = height;
    g.centre = {width / 2, height / 2};
    g.faceRadius = trunc(0.42 * width);
    g.hubRadius = trunc(0.24 * width);
    g.face = boxAround(g.centre, g.faceRadius);
    g.hub = boxAround(g.centre, g.hubRadius);
    g.chordStart = pointAt(g.centre, angleDegrees - 90.0, kRadialLength);
    g.chordEnd = pointAt(g.centre, angleDegrees + 90.0, kRadialLength);
    // sin a x W x 0.26, multiplied in that order as the needle's ends are.
    const double t = angleDegrees * kRadiansPerDegree;
    const double s = std::sin(t);
    const double c = std::cos(t);
    g.needleFrom = {g.centre.x + trunc(s * width * 0.26), g.centre.y - trunc(c * width * 0.26)};
    g.needleTo = {g.centre.x + trunc(s * width * 0.4), g.centre.y - trunc(c * width * 0.4)};
    return g;
}

}  // namespace tiltdial
