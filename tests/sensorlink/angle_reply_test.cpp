// Checking and decoding of the angle reply frame, without a line.
#include "sensorlink/angle_reply.h"
#include "tests/sensorlink/sensor_line_fixture.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cstring>
#include <string>

namespace {

using sensortest::angleFrame;

struct DecodeCase {
    const char* characters;
    double expected;
};
void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.characters; }

class AngleDecode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(AngleDecode, GivesTheAngleTheSensorMeant) {
    EXPECT_DOUBLE_EQ(anglereply::Decode(GetParam().characters), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Characters, AngleDecode,
                         ::testing::Values(DecodeCase{"123,45", 123.45}, DecodeCase{"123.45", 123.45},
                                           DecodeCase{"012,30", 12.3}, DecodeCase{"123,4,", 123.4},
                                           DecodeCase{"12,345", 12.0}, DecodeCase{"000,00", 0.0},
                                           DecodeCase{"999.99", 999.99}, DecodeCase{"1,2345", 1.0},
                                           DecodeCase{"12.3.4", 12.3}, DecodeCase{",,,,,,", 0.0},
                                           DecodeCase{".50000", 0.5}, DecodeCase{"......", 0.0}));

TEST(AngleDecodeBounds, ReadsOnlySixCharacters) {
    // Digits right after the six must not extend the number.
    EXPECT_DOUBLE_EQ(anglereply::Decode("123456789"), 123456.0);
    EXPECT_DOUBLE_EQ(anglereply::Decode("001.00999"), 1.0);
}

struct ReplyCase {
    const char* name;
    std::string reply;
    bool bad;
};

// ctest lists each case by its name, not by a dump of its bytes.
void PrintTo(const ReplyCase& c, std::ostream* os) { *os << c.name; }

std::string withByte(std::string text, size_t at, char byte) {
    text[at] = byte;
    return text;
}

class AngleReplyCheck : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(AngleReplyCheck, JudgesTheReply) {
    // As the port delivers it: the text and two zero bytes in a 13-byte buffer.
    char buffer[anglereply::kBufferSize] = {};
    const std::string& reply = GetParam().reply;
    ASSERT_LE(reply.size(), anglereply::kLength);
    std::memcpy(buffer, reply.data(), reply.size());
    EXPECT_EQ(anglereply::IsBad(buffer), GetParam().bad);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, AngleReplyCheck,
    ::testing::Values(
        ReplyCase{"Good", angleFrame("123,45"), false},
        ReplyCase{"GoodWithPoint", angleFrame("123.45"), false},
        ReplyCase{"GoodZero", angleFrame("000,00"), false},
        ReplyCase{"GoodThreeDigitChecksum", std::string("\x02" "123,45\x03") + "01C", false},
        ReplyCase{"HighBitBytesThatCancel", angleFrame("123,45", '\xB2', '\x83'), false},
        ReplyCase{"Empty", "", true},
        ReplyCase{"TooShort", angleFrame("123,45").substr(0, 10), true},
        ReplyCase{"ZeroByteInside", withByte(angleFrame("123,45"), 3, '\0'), true},
        ReplyCase{"OneHighBitByte", angleFrame("123,45", '\xB2'), true},
        // The sum is -119; strtol would read "-77" as exactly that.
        ReplyCase{"NegativeSumWithSignedChecksum", std::string("\x02" "12,345" "\x96") + "-77", true},
        ReplyCase{"NegativeSumWithSignedChecksumFirstByte", std::string("\xB2" "123,45" "\x03") + "-54", true},
        ReplyCase{"Garbage", "hello world", true},
        ReplyCase{"WrongChecksum", withByte(angleFrame("123,45"), 9, 'F'), true},
        ReplyCase{"ChecksumNotHex", withByte(withByte(angleFrame("123,45"), 8, 'x'), 9, 'x'), true},
        ReplyCase{"LetterInAngle", angleFrame("12a,45"), true},
        ReplyCase{"MinusInAngle", angleFrame("-12.34"), true},
        ReplyCase{"BlankInAngle", angleFrame(" 12.34"), true},
        ReplyCase{"BadFirstAngleCharacter", angleFrame("/23,45"), true},
        ReplyCase{"BadLastAngleCharacter", angleFrame("123,4:"), true}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

TEST(AngleReplyCheckBounds, TooLongIsBad) {
    const std::string reply = angleFrame("123,45") + "X";
    EXPECT_TRUE(anglereply::IsBad(reply.c_str()));
}

}  // namespace
