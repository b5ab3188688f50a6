#include "sim/frames.h"
#include "sim/sensor.h"
#include "tests/sim/tool_side_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

using namespace kv275sim;

namespace {

bool hasZero(const Bytes& b) { return std::find(b.begin(), b.end(), 0) != b.end(); }

}  // namespace

TEST(AngleReply, EveryAngleGivesAFrameTheToolAccepts) {
    // Sweep the whole range in steps that hit every checksum value many times.
    for (int h = 0; h <= 99999; h += 37) {
        const double degrees = h / 100.0;
        const Bytes reply = angleReply(degrees);
        ASSERT_EQ(reply.size(), kAngleReplyLength) << degrees;
        ASSERT_FALSE(hasZero(reply)) << degrees;
        ASSERT_EQ(simtest::angleReplyProblem(reply), "") << degrees;
        ASSERT_NEAR(simtest::decodeAngle(reply), degrees, 0.001) << degrees;
    }
}

TEST(AngleReply, TextIsSixCharactersWithTwoDecimals) {
    EXPECT_EQ(angleText(12.3), "012.30");
    EXPECT_EQ(angleText(0.0), "000.00");
    EXPECT_EQ(angleText(999.99), "999.99");
    EXPECT_EQ(angleText(0.005), "000.01");  // rounded, not cut
}

TEST(AngleReply, AnglesOutsideTheFrameAreLimitedNotMalformed) {
    // A sign or a fourth integer digit would not fit the six characters.
    EXPECT_EQ(angleText(-5.0), "000.00");
    EXPECT_EQ(angleText(999.996), "999.99");
    EXPECT_EQ(angleText(12345.0), "999.99");
    EXPECT_EQ(angleText(std::numeric_limits<double>::quiet_NaN()), "000.00");
    EXPECT_EQ(simtest::angleReplyProblem(angleReply(-1.0)), "");
    EXPECT_EQ(simtest::angleReplyProblem(angleReply(1e9)), "");
}

TEST(VariableReply, ToolReadsBackEveryValue) {
    VariableTable table{};
    for (size_t k = 0; k < kVariableCount; ++k) table[k] = static_cast<int32_t>(k * 389 % 100000) - 5000;
    table[0] = kMinVariableValue;
    table[1] = kMaxVariableValue;
    table[2] = -1;
    table[3] = 0;
    const Bytes reply = variableReply(table);
    ASSERT_EQ(reply.size(), kVariableReplyLength);
    EXPECT_FALSE(hasZero(reply));
    std::array<int32_t, 256> decoded{};
    ASSERT_EQ(simtest::variableReplyProblem(reply, decoded), "");
    for (size_t k = 0; k < kVariableCount; ++k) {
        const int32_t expected = std::clamp(table[k], kMinVariableValue, kMaxVariableValue);
        EXPECT_EQ(decoded[k], expected) << "V" << k;
    }
}

TEST(VariableReply, ValuesTooWideForAFieldAreLimitedSoNeighboursSurvive) {
    VariableTable table{};
    table[10] = 1234567;
    table[11] = 42;
    table[12] = -123456;
    table[13] = 7;
    std::array<int32_t, 256> decoded{};
    ASSERT_EQ(simtest::variableReplyProblem(variableReply(table), decoded), "");
    EXPECT_EQ(decoded[10], kMaxVariableValue);
    EXPECT_EQ(decoded[11], 42);
    EXPECT_EQ(decoded[12], kMinVariableValue);
    EXPECT_EQ(decoded[13], 7);
}

TEST(VariableReply, MinusApartKeepsEachNumberInItsFieldAndTheChecksumRight) {
    VariableTable table{};
    for (size_t k = 0; k < kVariableCount; ++k) table[k] = -static_cast<int32_t>(k * k * 7 % 10000);
    table[0] = kMinVariableValue;
    table[1] = -1;
    table[2] = kMaxVariableValue;
    table[3] = 0;
    table[4] = -1000000;  // limited, as in the usual layout
    const Bytes reply = variableReply(table, true);
    ASSERT_EQ(reply.size(), kVariableReplyLength);
    EXPECT_FALSE(hasZero(reply));
    std::array<int32_t, 256> decoded{};
    ASSERT_EQ(simtest::variableReplyProblem(reply, decoded), "");
    for (size_t k = 0; k < kVariableCount; ++k) {
        const std::string field(reply.begin() + static_cast<std::ptrdiff_t>(1 + 6 * k),
                                reply.begin() + static_cast<std::ptrdiff_t>(7 + 6 * k));
        const int32_t expected = std::clamp(table[k], kMinVariableValue, kMaxVariableValue);
        EXPECT_EQ(decoded[k], expected) << "V" << k << " \"" << field << "\"";
        // The sign stands apart: first in the field, a space after it.
        if (expected < 0) {
            EXPECT_EQ(field.substr(0, 2), "- ") << "V" << k;
        }
    }
}

TEST(Collision, NeverYieldsAFrameTheToolWouldTake) {
    // Identical replies (two sensors at the same angle) must garble too.
    const Bytes same = angleReply(12.3);
    EXPECT_NE(simtest::angleReplyProblem(collide({same, same})), "");
    for (int h = 0; h < 5000; h += 7) {
        const Bytes garbled = collide({angleReply(h / 100.0), angleReply(h / 10.0), angleReply(50.0)});
        ASSERT_EQ(garbled.size(), kAngleReplyLength);
        ASSERT_NE(simtest::angleReplyProblem(garbled), "") << h;
    }
    VariableTable a{};
    VariableTable b = defaultVariables(190);
    std::array<int32_t, 256> decoded{};
    for (int32_t v = 0; v < 300; ++v) {
        a[5] = v;
        const Bytes garbled = collide({variableReply(a), variableReply(b)});
        ASSERT_EQ(garbled.size(), kVariableReplyLength);
        ASSERT_FALSE(hasZero(garbled));
        ASSERT_NE(simtest::variableReplyProblem(garbled, decoded), "") << v;
    }
}

TEST(Checksum, SignedXorWidensHighBytes) {
    const uint8_t bytes[] = {0x80, 0x01};
    EXPECT_EQ(signedXor(bytes, 2), static_cast<int32_t>(0xFFFFFF81));
    Bytes reply = angleReply(10.0);
    reply[3] = '9';
    EXPECT_EQ(simtest::angleReplyProblem(reply), "checksum");
    refreshChecksum(reply);
    EXPECT_EQ(simtest::angleReplyProblem(reply), "");
}
