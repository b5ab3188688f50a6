#pragma once
// Where the dial's parts lie for an angle and a drawing area, in pixels. The
// needle points at the angle measured clockwise from 12 o'clock; the dark
// half of the face lies opposite it. Radii and needle follow the width
// alone; the height only places the centre.

namespace tiltdial {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// left, top, right, bottom, the right and bottom edges outside the shape.
struct Box {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Box&) const = default;
};

struct Geometry {
    int width = 0;
    int height = 0;
    Point centre;
    int faceRadius = 0;  // trunc(0.42 W)
    int hubRadius = 0;   // trunc(0.24 W)
    Box face;
    Box hub;
    // The dark half is the chord of the face from the direction of
    // chordStart, counterclockwise on the screen, to that of chordEnd:
    // P(a - 90) and P(a + 90), P(t) = (cx + trunc(1024 sin t), cy - trunc(1024 cos t)).
    Point chordStart;
    Point chordEnd;
    Point needleFrom;  // at radius 0.26 W
    Point needleTo;    // at radius 0.4 W
};

Geometry DialGeometry(double angleDegrees, int width, int height);

}  // namespace tiltdial
