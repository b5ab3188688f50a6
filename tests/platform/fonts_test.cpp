// Design font names resolve to installed families of matching metrics.
#include "platform/fonts.h"

#include <QFontInfo>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct FontCase {
    const char* designName;
    int pointSize;
    bool bold;
    const char* family;  // as the font database resolves it
};
void PrintTo(const FontCase& c, std::ostream* os) { *os << c.designName << " " << c.pointSize << (c.bold ? " bold" : ""); }

class MappedFont : public ::testing::TestWithParam<FontCase> {};

TEST_P(MappedFont, ResolvesToTheFamilyOfMatchingMetricsAtTheSizeGiven) {
    const FontCase& c = GetParam();
    const QFont font = platform::mappedFont(c.designName, c.pointSize, c.bold);
    const QFontInfo resolved(font);
    EXPECT_EQ(resolved.family().toStdString(), c.family);
    EXPECT_EQ(font.pointSize(), c.pointSize);
    EXPECT_EQ(resolved.bold(), c.bold);
}

INSTANTIATE_TEST_SUITE_P(
    DesignNames, MappedFont,
    ::testing::Values(FontCase{"MS Sans Serif", 8, false, "Liberation Sans"},
                      FontCase{"Arial", 12, true, "Liberation Sans"},
                      FontCase{"Times New Roman", 14, false, "Liberation Serif"},
                      FontCase{"Terminal", 10, true, "Liberation Mono"},
                      FontCase{"terminal", 9, false, "Liberation Mono"},
                      FontCase{"Unknown Face", 11, false, "Liberation Sans"}));

TEST(DialogFont, IsEightPointSansOfMatchingMetrics) {
    const QFont font = platform::dialogFont();
    EXPECT_EQ(QFontInfo(font).family().toStdString(), "Liberation Sans");
    EXPECT_EQ(font.pointSize(), 8);
    EXPECT_FALSE(QFontInfo(font).bold());
}

}  // namespace
