#include "platform/dialog_units.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogUnits, HalvesRoundAwayFromZero) {
    // Across: 1.5 px a unit.
    EXPECT_EQ(platform::dluToPixelsX(0), 0);
    EXPECT_EQ(platform::dluToPixelsX(1), 2);    // 1.5
    EXPECT_EQ(platform::dluToPixelsX(2), 3);
    EXPECT_EQ(platform::dluToPixelsX(3), 5);    // 4.5
    EXPECT_EQ(platform::dluToPixelsX(-1), -2);  // -1.5
    EXPECT_EQ(platform::dluToPixelsX(-3), -5);
    EXPECT_EQ(platform::dluToPixelsX(200), 300);
    // Down: 1.625 px a unit.
    EXPECT_EQ(platform::dluToPixelsY(1), 2);    // 1.625
    EXPECT_EQ(platform::dluToPixelsY(2), 3);    // 3.25
    EXPECT_EQ(platform::dluToPixelsY(4), 7);    // 6.5
    EXPECT_EQ(platform::dluToPixelsY(-4), -7);
    EXPECT_EQ(platform::dluToPixelsY(8), 13);
    EXPECT_EQ(platform::dluToPixelsY(12), 20);  // 19.5
}

TEST(DialogUnits, EachEdgeIsConvertedOnItsOwn) {
    // Width and height follow from the rounded edges, not from rounding the
    // size: 1 unit at x = 1 spans 2 px to 3 px.
    EXPECT_EQ(platform::dluRect(1, 1, 1, 1), QRect(2, 2, 1, 1));
    EXPECT_EQ(platform::dluRect(0, 0, 1, 1), QRect(0, 0, 2, 2));
    EXPECT_EQ(platform::dluRect(7, 4, 50, 14), QRect(11, 7, 75, 22));  // 10.5..85.5 -> 11..86, 6.5..29.25 -> 7..29
    // Adjacent controls share their edge exactly: no gaps, no overlaps.
    const QRect a = platform::dluRect(3, 5, 9, 11);
    const QRect b = platform::dluRect(12, 16, 9, 11);
    EXPECT_EQ(a.x() + a.width(), b.x());
    EXPECT_EQ(a.y() + a.height(), b.y());
}

}  // namespace
