// The dial: its geometry from the formulas, and pixels of a drawing checked
// against points worked out here from the angle, never a stored picture.

#include "tiltview/dial_geometry.h"
#include "tiltview/dial_widget.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using tiltdial::Point;

TEST(TiltDialGeometry, RadiiFollowTheWidthAndPointsTruncateTowardZero) {
    struct Case {
        const char* fault;
        double angle;
        Point from;
        Point to;
    };
    // W = 100, H = 80: centre (50, 40), needle from radius 26 to radius 40.
    const std::vector<Case> cases{
        {"needle not up at 0", 0, {50, 14}, {50, 0}},
        {"needle not clockwise", 90, {76, 40}, {90, 40}},
        {"45 degrees off", 45, {68, 22}, {78, 12}},  // 18.38 and 28.28 truncated
        {"floor instead of truncation", 225, {32, 58}, {22, 68}},
        {"needle not down at 180", 180, {50, 66}, {50, 80}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        const tiltdial::Geometry g = tiltdial::DialGeometry(c.angle, 100, 80);
        EXPECT_EQ(g.centre, (Point{50, 40}));
        EXPECT_EQ(g.faceRadius, 42);
        EXPECT_EQ(g.hubRadius, 24);
        EXPECT_EQ(g.face, (tiltdial::Box{8, -2, 92, 82}));
        EXPECT_EQ(g.hub, (tiltdial::Box{26, 16, 74, 64}));
        EXPECT_EQ(g.needleFrom, c.from);
        EXPECT_EQ(g.needleTo, c.to);
    }
    // The chord's radial points stand 1024 pixels out at right angles to the needle.
    const tiltdial::Geometry up = tiltdial::DialGeometry(0, 100, 80);
    EXPECT_EQ(up.chordStart, (Point{50 - 1024, 40}));
    EXPECT_EQ(up.chordEnd, (Point{50 + 1024, 40}));
    // 0.42 x 47 = 19.74 and 0.24 x 47 = 11.28: truncated, from the width alone.
    const tiltdial::Geometry odd = tiltdial::DialGeometry(0, 47, 300);
    EXPECT_EQ(odd.centre, (Point{23, 150}));
    EXPECT_EQ(odd.faceRadius, 19);
    EXPECT_EQ(odd.hubRadius, 11);
}

QImage render(double angle, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    tiltdial::PaintDial(painter, tiltdial::DialGeometry(angle, width, height));
    return image;
}

// The pixel at `radius` from the centre in the direction `degrees`,
// clockwise from up.
QPoint along(int width, int height, double degrees, double radius) {
    const double t = degrees * M_PI / 180.0;
    return QPoint(int(std::lround(width / 2 + radius * std::sin(t))), int(std::lround(height / 2 - radius * std::cos(t))));
}

bool nearColour(const QImage& image, QPoint p, const QColor& colour) {
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            if (image.pixelColor(p + QPoint(dx, dy)) == colour) return true;
    return false;
}

TEST(TiltDialPainting, NeedleAtTheAngleDarkHalfOppositeHubInTheMiddle) {
    // The dial's own size in the dialog (48 x 44 inside its edge) and a larger one.
    for (const QSize size : {QSize(48, 44), QSize(200, 220)}) {
        for (const double a : {0.0, 12.34, 45.0, 90.0, 180.0, 270.0}) {
            const int w = size.width();
            const int h = size.height();
            SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " at " + std::to_string(a));
            const QImage image = render(a, w, h);
            // Halfway between hub and rim: 0.33 W.
            const double ring = 0.33 * w;
            EXPECT_EQ(image.pixelColor(along(w, h, a + 45, ring)), tiltdial::faceColour()) << "needle side";
            EXPECT_EQ(image.pixelColor(along(w, h, a - 45, ring)), tiltdial::faceColour()) << "needle side";
            EXPECT_EQ(image.pixelColor(along(w, h, a + 180, ring)), tiltdial::darkHalfColour()) << "far side";
            EXPECT_EQ(image.pixelColor(along(w, h, a + 135, ring)), tiltdial::darkHalfColour()) << "far side";
            EXPECT_EQ(image.pixelColor(along(w, h, a - 135, ring)), tiltdial::darkHalfColour()) << "far side";
            EXPECT_EQ(image.pixelColor(QPoint(w / 2, h / 2)), tiltdial::hubColour());
            EXPECT_EQ(image.pixelColor(along(w, h, a + 180, 0.12 * w)), tiltdial::hubColour())
                << "the hub covers the chord's edge";
            EXPECT_TRUE(nearColour(image, along(w, h, a, 0.27 * w), tiltdial::needleColour())) << "inner end";
            EXPECT_TRUE(nearColour(image, along(w, h, a, 0.39 * w), tiltdial::needleColour())) << "outer end";
            EXPECT_EQ(image.pixelColor(along(w, h, a, 0.2 * w)), tiltdial::hubColour()) << "no needle over the hub";
            EXPECT_EQ(image.pixelColor(0, 0), tiltdial::backgroundColour());
            EXPECT_EQ(image.pixelColor(w - 1, h - 1), tiltdial::backgroundColour());
        }
    }
}

}  // namespace
