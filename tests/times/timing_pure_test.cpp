// The timing grid's arithmetic and its address texts, without a window.

#include "times/address_text.h"
#include "times/timing_layout.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using timinglayout::Grid;

TEST(TimingLayout, GridIsCutToSeventyEightCellsAndSaneRows) {
    struct Case {
        const char* fault;
        int64_t rows, columns;
        Grid expected;
    };
    const std::vector<Case> cases{
        {"7 rows of 12 hold 78: a tenth row would make cells 78..119", 10, 12, {7, 12}},
        {"more columns than cells", 1, 100, {1, 78}},
        {"negative counts kept", -3, -5, {0, 0}},
        {"one column keeps 78 rows, not 79", 100, 1, {78, 1}},
        {"no columns leaves rows beyond the 80 label slots", 200, 0, {78, 0}},
        {"78 cells exactly cut short", 6, 13, {6, 13}},
        {"product overflows 32 bits", 2000000000, 2000000000, {1, 78}},
    };
    for (const Case& c : cases) EXPECT_EQ(timinglayout::Clamp(c.rows, c.columns), c.expected) << c.fault;
}

TEST(TimingLayout, FieldsStandOnTheirPitchAndTheWindowGrowsFromTheTemplate) {
    // Default pitches 31 x 37 units; cell (1, 2): value field 136..171 x 79..93.
    EXPECT_EQ(timinglayout::ValueField(1, 2, 2, 2), QRect(204, 128, 53, 23));
    EXPECT_EQ(timinglayout::AddressField(1, 2, 2, 2), QRect(204, 153, 53, 23));
    EXPECT_EQ(timinglayout::FirstRowLabel(1, 2), QRect(15, 132, 75, 22));
    EXPECT_EQ(timinglayout::SecondRowLabel(0, 2), QRect(15, 106, 75, 22));
    // An absurd pitch from the file is laid out as the largest sane one.
    EXPECT_EQ(timinglayout::ValueField(3, 3, 2000000000, 2000000000), timinglayout::ValueField(3, 3, 100, 100));
    EXPECT_EQ(timinglayout::ValueField(3, 3, -500, -500), timinglayout::ValueField(3, 3, 0, 0));

    const QSize initial = timinglayout::TemplateClientPixels();
    EXPECT_EQ(initial, QSize(581, 76));
    EXPECT_EQ(timinglayout::ClientPixels({0, 0}, 2, 2, initial), QSize(581, 79)) << "never below the template";
    // 12 columns of 37 + 66 = 510 units wide; 7 rows of 31 + 48 = 265 units, plus 1 px.
    EXPECT_EQ(timinglayout::ClientPixels({7, 12}, 2, 2, initial), QSize(765, 432));
}

TEST(AddressText, ShowsEachFormatAndNothingForAnEntryThatNamesNoSensor) {
    struct Case {
        int32_t index, format;
        const char* text;
    };
    const std::vector<Case> cases{
        {1, 0, "1"},  {1, 1, "178"},  {1, 2, "B2"}, {0, 0, "0"},  {0, 1, "177"}, {0, 2, "B1"},
        {78, 2, "FF"}, {7, 7, "7"},  // an unknown format shows as the first
        {-1, 0, ""},  {79, 1, ""},  {-177, 2, ""},  // would be address 255 or 0 on the wire
    };
    for (const Case& c : cases)
        EXPECT_EQ(addresstext::Format(c.index, c.format), c.text) << c.index << " in format " << c.format;
}

TEST(AddressText, TypedTextReadsAsTheGridReadsIt) {
    struct Case {
        const char* typed;
        std::optional<int32_t> index;
    };
    const std::vector<Case> cases{
        {"B1", 0},   {"177", 0},  {"0", 0},     {"FF", 78},  {"255", 78}, {"100", 78},  {"79", 78},
        {"176", 78}, {"1a", 1},   {"b4", 3},    {"e", 14},   {"12abc", 12},
        {"99999999999999999999", 78},  // saturates, then counts as too high
        {"FFFFFFFFFFFFFFFFFFFF", 78},
        {"-3", std::nullopt},  {"A5", std::nullopt}, {"", std::nullopt},  {"x", std::nullopt},
        {" 5", std::nullopt},  {"+5", std::nullopt}, {"G1", std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(addresstext::Parse(c.typed), c.index) << "'" << c.typed << "'";
}

}  // namespace
