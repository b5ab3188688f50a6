#include "sim/request_parser.h"
#include "tests/sim/tool_side_checks.h"

#include <gtest/gtest.h>

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
