// Tiltview's line: the reply and address parsers as tables, the port link's
// rules, and the poll on the scripted line with the fake clock.

#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tiltview/angle_poll.h"
#include "tiltview/port_link.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace std::string_literals;

// Eight bytes and, as bytes 8 and 9, their XOR (bytes widened as signed) in
// hexadecimal; then `tail`.
std::string withChecksum(const std::string& eight, const std::string& tail = "\r") {
    int sum = 0;
    for (char c : eight.substr(0, 8)) sum ^= static_cast<signed char>(c);
    static const char hex[] = "0123456789ABCDEF";
    return eight + hex[(sum >> 4) & 0xF] + hex[sum & 0xF] + tail;
}

TEST(TiltReplyParser, TakesOnlyWholeFramesWithAngleCharactersAtOneToSixAndTheirChecksum) {
    // {what a wrong parser would do, reply, valid, angle, text}
    const std::vector<std::tuple<const char*, std::string, bool, double, const char*>> cases{
        {"point not read as a fraction", withChecksum("\x02" "123.45" "\x03"), true, 123.45, "123.45°"},
        {"comma read as a decimal point", withChecksum("\x02" "012,34" "\x03"), true, 12.0, "012,34°"},
        {"positions 0 and 7 examined", withChecksum("\xff" "000.50" "\xfe"), true, 0.5, "000.50°"},
        {"a second point read on", withChecksum("\x02" "1.2.34" "x"), true, 1.2, "1.2.34°"},
        {"no leading digits not 0", withChecksum("\x02" ",12345" "x"), true, 0.0, ",12345°"},
        {"a reply longer than the read refused", withChecksum("\x02" "359.99" "\x03", "\rabcde"), true, 359.99,
         "359.99°"},
        {"lower-case checksum digits refused", "\x02" "123.45" "\x03" "1e\r", true, 123.45, "123.45°"},
        {"letters taken", withChecksum("\x02" "12a.45" "x"), false, 0, ""},
        {"a minus sign taken", withChecksum("\x02" "-12.45" "x"), false, 0, ""},
        {"a blank taken", withChecksum("\x02" " 12.45" "x"), false, 0, ""},
        {"a byte with the top bit taken", withChecksum("\x02" "12\xb0" ".4" "x"), false, 0, ""},
        {"seven bytes taken", "\x02" "123.45", false, 0, ""},
        {"a reply without its checksum taken", "\x02" "123.45" "\x03" "1", false, 0, ""},
        // A noisy line: one flipped bit makes 123.45 read 523.45.
        {"a checksum that disagrees ignored", "\x02" "523.45" "\x03" "1E\r", false, 0, ""},
        {"a negative sum matched by its low byte", withChecksum("\x82" "123.45" "\x03"), false, 0, ""},
        {"length not cut at a zero byte", "\x02" "123\0" "45xy"s, false, 0, ""},
        {"nothing taken", "", false, 0, ""},
    };
    for (const auto& [fault, bytes, valid, angle, text] : cases) {
        const tiltpoll::AngleReply reply = tiltpoll::ParseAngleReply(bytes);
        EXPECT_EQ(reply.valid, valid) << fault;
        if (!valid) continue;
        EXPECT_EQ(reply.angle, angle) << fault;
        EXPECT_EQ(tiltpoll::AngleText(reply), text) << fault;
    }
}

TEST(TiltAddressParser, NumberAtTheStartLess177HeldTo0To78WithoutOverflow) {
    // Leading blanks are skipped as the dialog's number reading skips them;
    // 20 digits stop at the 32-bit limit, never wrap to a small address.
    const std::vector<std::pair<const char*, int>> cases{
        {"", 0},     {"abc", 0},  {"-5", 0},     {"100", 0},   {" 200", 23}, {"200abc", 23},
        {"178.9", 1}, {"300", 78}, {"255 (hFF) #78", 78}, {"99999999999999999999", 78},
        {"-99999999999999999999", 0}};
    for (const auto& [text, index] : cases) EXPECT_EQ(tiltpoll::AddressIndexOfText(text), index) << '"' << text << '"';
}

class TiltLineTest : public ::testing::Test {
protected:
    TiltLineTest() { line.install(); }
    void openConfigured() {
        ASSERT_EQ(link.Open(1), 0u);
        ASSERT_EQ(link.Configure(PortSettings()), 0u);
        line.clearLog();
    }
    // A reply of 16 bytes fills the read at once: no time-out runs.
    static std::string reply16(const char* six) { return withChecksum("\x02"s + six + "\x03", "\rabcde"); }

    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    CPortLink link;
};

TEST_F(TiltLineTest, ConfigureFreesTheHandshakeLinesAndSetsTheFixedTimeouts) {
    line.dcb.flags = 0x7FFF;
    line.dcb.BaudRate = 19200;
    ASSERT_EQ(link.Open(3), 0u);
    ASSERT_EQ(link.Configure(PortSettings()), 0u);
    EXPECT_EQ(line.log, (std::vector<std::string>{"open COM3", "getState", "getTimeouts", "setState", "setTimeouts"}));
    EXPECT_EQ(line.dcb.flags, 0x7FFFu & ~0x3038u) << "DSR flow, DTR and RTS control off; CTS flow kept";
    EXPECT_EQ(line.dcb.BaudRate, 9600u);
    EXPECT_EQ(line.timeouts, (platform::CommTimeouts{10, 2, 100, 0, 0}));
}

TEST_F(TiltLineTest, ClosedOrMisnumberedLinkIsNeverUsedAndItsPollNeitherSendsNorWaits) {
    EXPECT_EQ(link.Open(0), uint32_t(ENODEV));
    EXPECT_EQ(link.Open(9), uint32_t(ENODEV));
    EXPECT_TRUE(line.log.empty()) << "no device asked for a port outside 1 to 8";
    openConfigured();
    EXPECT_EQ(link.Open(1), uint32_t(EBUSY)) << "an open link keeps its device";
    ASSERT_EQ(link.Close(), 0u);
    line.clearLog();
    char buffer[18] = "xxxxxxxxxxxxxxxx";
    EXPECT_EQ(link.Write("\xb1"), uint32_t(EBADF));
    EXPECT_EQ(link.Read(buffer, 16), uint32_t(EBADF));
    EXPECT_EQ(std::string(buffer, 2), "\0\0"s) << "terminated even so";
    const uint32_t readings = clock.readings();
    const PollResult r = PollAngle(link, 3, 12.5);
    EXPECT_EQ(r.angle, 12.5);
    EXPECT_FALSE(r.valid || r.deviceGone);
    EXPECT_TRUE(line.log.empty()) << ::testing::PrintToString(line.log);
    EXPECT_EQ(clock.readings(), readings) << "no 15 ms wait";
}

TEST_F(TiltLineTest, PollSendsAddressThenEnqEachAfterTheSendSwitchAndReadsOnce15MsLater) {
    for (const auto& [index, request] : std::vector<std::pair<int8_t, std::string>>{{0, "B1"}, {78, "FF"}}) {
        openConfigured();
        line.responder = [&](const std::string& w) { return w == "\x05" ? reply16("045.00") : ""; };
        const uint32_t before = clock.now();
        const PollResult r = PollAngle(link, index, 7.0);
        EXPECT_EQ(line.log, (std::vector<std::string>{"CLRDTR", "SETRTS", "write " + request, "CLRDTR", "SETRTS",
                                                      "write 05", "CLRRTS", "SETDTR", "read 16 got 16"}))
            << "no purge, no drain, no NAK";
        EXPECT_GE(clock.now() - before, 15u);
        EXPECT_LT(clock.now() - before, 30u) << "a full reply ends the read at once";
        EXPECT_TRUE(r.valid && !r.deviceGone);
        EXPECT_EQ(r.angle, 45.0);
        EXPECT_EQ(r.text, "045.00°");
        ASSERT_EQ(link.Close(), 0u);
    }
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(TiltLineTest, SilentSensorKeepsTheAngleAfterTheWholeReadTimeAndALateReplyCountsNextTime) {
    openConfigured();
    const uint32_t before = clock.now();
    PollResult r = PollAngle(link, 1, 33.5);
    EXPECT_FALSE(r.valid);
    EXPECT_EQ(r.angle, 33.5);
    EXPECT_GE(clock.now() - before, 15u + 132u) << "2 x 16 + 100 ms of read time-out";
    line.input = withChecksum("\x02" "077.25" "\x03");  // arrived after the read had ended
    r = PollAngle(link, 1, r.angle);
    EXPECT_EQ(r.angle, 77.25);
    EXPECT_TRUE(boxes.calls.empty()) << "a silent sensor shows nothing";
}

TEST_F(TiltLineTest, OnlyEioInAWriteOrTheReadCountsAsTheDeviceGone) {
    const std::vector<std::tuple<const char*, int, bool>> cases{
        {"write", EIO, true}, {"read", EIO, true}, {"write", EINVAL, false}, {"read", ETIMEDOUT, false}};
    for (const auto& [op, err, gone] : cases) {
        openConfigured();
        line.responder = [&](const std::string&) { return reply16("001.00"); };
        line.failNext[op] = err;
        EXPECT_EQ(PollAngle(link, 1, 2.0).deviceGone, gone) << op << " E" << err;
        line.failNext.clear();
        ASSERT_EQ(link.Close(), 0u);
    }
    EXPECT_TRUE(boxes.calls.empty()) << "the poll itself shows nothing";
}

TEST_F(TiltLineTest, ShortWriteIsToldInAnUnownedBoxAndThePollGoesOn) {
    openConfigured();
    line.writeLimit = 0;
    line.input = reply16("010.00");
    EXPECT_EQ(PollAngle(link, 1, 0.0).angle, 10.0);
    EXPECT_EQ(boxes.summary(), std::vector<std::string>(2, "BOLU Message|Nicht alle Daten wurden gesendet."));
    EXPECT_EQ(boxes.calls.at(0).icon, platform::MsgIcon::Information);
    EXPECT_EQ(boxes.calls.at(0).owner, nullptr);
}

}  // namespace
