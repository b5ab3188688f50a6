#include "sim/request_parser.h"
#include "tests/sim/tool_side_checks.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

using namespace kv275sim;

namespace {

std::vector<Request> feedAll(RequestParser& parser, const std::vector<uint8_t>& bytes) {
    std::vector<Request> out;
    for (uint8_t b : bytes) {
        if (auto r = parser.feed(b)) out.push_back(*r);
    }
    return out;
}

}  // namespace

TEST(RequestParser, RecognisesQueryReadAndNak) {
    RequestParser p;
    const auto requests = feedAll(p, {0xB2, 0x05, 0x15, 0xFF, 0x11, 0xB1, 0x05});
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].kind, Request::Kind::AngleQuery);
    EXPECT_EQ(requests[0].address, 0xB2);
    EXPECT_EQ(requests[1].kind, Request::Kind::Nak);
    EXPECT_EQ(requests[2].kind, Request::Kind::ReadVariables);
    EXPECT_EQ(requests[2].address, 0xFF);
    EXPECT_EQ(requests[3].address, 0xB1);
}

TEST(RequestParser, TakesTheSetupToolsWriteFrame) {
    // V026 = 50 to address 178, checksum 0x14.
    RequestParser p;
    const std::vector<uint8_t> frame{0xB2, 0x12, 0x02, '0', '2', '6', 0x0D, '0', '0', '0',
                                     '5',  '0',  0x0D, 0x17, '1', '4', '$'};
    EXPECT_EQ(frame, simtest::writeFrame(0xB2, 26, 50));
    const auto requests = feedAll(p, frame);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].kind, Request::Kind::WriteVariable);
    EXPECT_TRUE(requests[0].writeValid) << requests[0].writeProblem;
    EXPECT_EQ(requests[0].address, 0xB2);
    EXPECT_EQ(requests[0].variable, 26);
    EXPECT_EQ(requests[0].value, 50);
}

TEST(RequestParser, WriteValuesNegativeAndAtTheEdges) {
    for (long value : {-5L, 0L, -9999L, 99999L, 65535L}) {
        RequestParser p;
        const auto r = feedAll(p, simtest::writeFrame(0xB1, 64, value));
        ASSERT_EQ(r.size(), 1u) << value;
        EXPECT_TRUE(r[0].writeValid) << value;
        EXPECT_EQ(r[0].value, value);
    }
}

TEST(RequestParser, RejectsBadWrites) {
    struct Case {
        std::vector<uint8_t> frame;
        const char* why;
    };
    std::vector<uint8_t> badSum = simtest::writeFrame(0xB2, 26, 50);
    badSum[14] = '2';
    const std::vector<Case> cases{
        {badSum, "checksum"},
        {simtest::writeFrame(0xB2, 256, 1), "no such variable"},
        {simtest::writeFrame(0xB2, 10, 100000), "value"},
        {simtest::writeFrame(0xB2, 10, -10000), "value"},
        {simtest::writeFrame(0xB2, 63, 177), "address"},
        {simtest::writeFrame(0xB2, 10, 12345678901L), "value"},
    };
    for (const Case& c : cases) {
        RequestParser p;
        const auto r = feedAll(p, c.frame);
        ASSERT_EQ(r.size(), 1u) << c.why;
        EXPECT_FALSE(r[0].writeValid) << c.why;
        EXPECT_NE(r[0].writeProblem.find(c.why), std::string::npos) << r[0].writeProblem;
    }
    // The log shows the number that came, not a made-up one.
    RequestParser p;
    EXPECT_EQ(feedAll(p, simtest::writeFrame(0xB2, 300, 1))[0].describe(),
              "write V300=1 to 178, rejected: no such variable 300");
}

TEST(RequestParser, ANewAddressByteAbandonsAFrameUnderWay) {
    RequestParser p;
    std::vector<uint8_t> bytes{0xB2, 0x12, 0x02, '0', '2'};  // a write cut short
    const std::vector<uint8_t> query{0xB3, 0x05};
    bytes.insert(bytes.end(), query.begin(), query.end());
    const auto r = feedAll(p, bytes);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].kind, Request::Kind::AngleQuery);
    EXPECT_EQ(r[0].address, 0xB3);
}

TEST(RequestParser, StrayBytesAreIgnored) {
    RequestParser p;
    // ENQ without address, a letter after an address, a write missing its STX.
    EXPECT_TRUE(feedAll(p, {0x05, 'x', 0xB2, 'A', 0x05, 0xB2, 0x12, '0', 0x05, 0x11}).empty());
    // A NAK in the middle of a frame still counts as a NAK.
    const auto r = feedAll(p, {0xB2, 0x15});
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].kind, Request::Kind::Nak);
}

namespace {

// A write frame to 178 from its texts; the checksum is right unless given.
std::vector<uint8_t> frameOf(const std::string& number, const std::string& value, std::string checksum = "",
                             const std::string& etb = "\x17", char end = '$') {
    const std::string covered = "\x02" + number + "\r" + value + "\r" + etb;
    if (checksum.empty()) {
        int sum = 0;
        for (char c : covered) sum ^= static_cast<uint8_t>(c);
        char text[8];
        std::snprintf(text, sizeof text, "%02X", sum);
        checksum = text;
    }
    std::vector<uint8_t> frame{0xB2, 0x12};
    frame.insert(frame.end(), covered.begin(), covered.end());
    frame.insert(frame.end(), checksum.begin(), checksum.end());
    frame.push_back(static_cast<uint8_t>(end));
    return frame;
}

}  // namespace

TEST(RequestParser, TakesWritesOnlyInTheToolsForm) {
    struct Case {
        const char* name;
        std::vector<uint8_t> frame;
        std::optional<std::string> problem;  // nullopt: dropped unanswered; "" valid
        int32_t value;
    };
    const std::vector<Case> cases{
        {"five digits", frameOf("026", "00050"), "", 50},
        {"minus sign first", frameOf("064", "-0005"), "", -5},
        {"six digits, out of range", frameOf("026", "123456"), "out of range", 0},
        {"longest 32-bit value", frameOf("026", "-2147483648"), "out of range", 0},
        {"wrong checksum", frameOf("026", "00050", "15"), "checksum", 0},
        {"two-digit number", frameOf("26", "00050"), std::nullopt, 0},
        {"four-digit number", frameOf("0026", "00050"), std::nullopt, 0},
        {"value not zero-filled", frameOf("026", "50"), std::nullopt, 0},
        {"minus with too few zeros", frameOf("064", "-005"), std::nullopt, 0},
        {"zeros beyond five places", frameOf("026", "000050"), std::nullopt, 0},
        {"minus zero", frameOf("026", "-0000"), std::nullopt, 0},
        {"six zeros", frameOf("026", "000000"), std::nullopt, 0},
        {"plus sign", frameOf("026", "+0050"), std::nullopt, 0},
        {"minus inside", frameOf("026", "00-50"), std::nullopt, 0},
        {"twelve characters", frameOf("026", "-21474836480"), std::nullopt, 0},
        {"upper-case checksum", frameOf("024", "00008", "1B"), "", 8},
        {"lower-case checksum", frameOf("024", "00008", "1b"), std::nullopt, 0},
        {"one checksum digit", frameOf("026", "00050", "4"), std::nullopt, 0},
        {"three checksum digits", frameOf("026", "00050", "014"), std::nullopt, 0},
        {"no ETB", frameOf("026", "00050", "", ""), std::nullopt, 0},
        {"no frame end", frameOf("026", "00050", "", "\x17", '#'), std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RequestParser p;
        const auto r = feedAll(p, c.frame);
        if (!c.problem) {
            EXPECT_TRUE(r.empty());
            continue;
        }
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(r[0].kind, Request::Kind::WriteVariable);
        EXPECT_EQ(r[0].writeValid, c.problem->empty()) << r[0].writeProblem;
        EXPECT_NE(r[0].writeProblem.find(*c.problem), std::string::npos) << r[0].writeProblem;
        if (c.problem->empty()) {
            EXPECT_EQ(r[0].value, c.value);
        }
    }
}
