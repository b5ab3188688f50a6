// Where the grid's cells and the grown window stand.
#include "scan/scan_layout.h"

#include "platform/dialog_units.h"

#include <gtest/gtest.h>

namespace {

using namespace scanlayout;

TEST(ScanLayout, CellsStandOnTheirPitchInDialogUnits) {
    EXPECT_EQ(valueBoxUnits(0), (UnitRect{5, 32, 48, 15}));
    EXPECT_EQ(labelUnits(0), (UnitRect{5, 48, 48, 14}));
    EXPECT_EQ(valueBoxUnits(13), (UnitRect{155, 64, 48, 15}));
    EXPECT_EQ(labelUnits(77), (UnitRect{355, 272, 48, 14}));
    EXPECT_EQ(valueBoxUnits(79), (UnitRect{455, 256, 48, 15}));
    EXPECT_EQ(gridAreaUnits(), QSize(510, 288));
}

TEST(ScanLayout, WindowGrowsToHoldTheWholeGrid) {
    const QSize initial = templateClientPixels();
    EXPECT_EQ(initial, QSize(476, 42));
    const QSize grown = grownClientPixels(initial);
    EXPECT_EQ(grown, QSize(765, 468));
    EXPECT_EQ(grownClientPixels(QSize(900, 500)), QSize(900, 500)) << "never smaller than the template";
    const QRect client(QPoint(0, 0), grown);
    for (int place = 0; place < kPlaces; ++place) {
        EXPECT_TRUE(client.contains(valueBoxPixels(place))) << place;
        EXPECT_TRUE(client.contains(labelPixels(place))) << place;
    }
}

TEST(ScanLayout, NoTwoPartsOverlapInPixels) {
    for (int a = 0; a < kPlaces; ++a) {
        EXPECT_FALSE(valueBoxPixels(a).intersects(labelPixels(a))) << a;
        EXPECT_LT(valueBoxPixels(a).bottom(), labelPixels(a).top()) << a;
        for (int b = a + 1; b < kPlaces; ++b) {
            EXPECT_FALSE(labelPixels(a).intersects(labelPixels(b))) << a << " " << b;
            EXPECT_FALSE(valueBoxPixels(a).intersects(valueBoxPixels(b))) << a << " " << b;
            EXPECT_FALSE(labelPixels(a).intersects(valueBoxPixels(b))) << a << " " << b;
        }
    }
}

TEST(ScanLayout, PixelsComeFromTheOneConversionEdgeByEdge) {
    // Cell 1's label: 55..103 across, 48..62 down.
    const QRect r = labelPixels(1);
    EXPECT_EQ(r.x(), platform::dluToPixelsX(55));
    EXPECT_EQ(r.x() + r.width(), platform::dluToPixelsX(103));
    EXPECT_EQ(r.y(), platform::dluToPixelsY(48));
    EXPECT_EQ(r.y() + r.height(), platform::dluToPixelsY(62));
}

}  // namespace
