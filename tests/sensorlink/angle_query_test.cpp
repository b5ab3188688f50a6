// The angle query on the scripted line: what goes on the wire and in which
// order, the NAK paths, the counters, the waits and the failure box.
#include "platform/system_error.h"
#include "tests/sensorlink/sensor_line_fixture.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace sensortest;
using Log = std::vector<std::string>;

const char* const kGermanFailure = "COM Error|GetKV275degrees: Es wurden keine Daten empfangen.";
const char* const kEnglishFailure = "COM Error|GetKV275degrees: no data received";

class AngleQueryTest : public SensorLineTest {};

struct AddressCase {
    uint16_t index;
    const char* addressHex;
};
void PrintTo(const AddressCase& c, std::ostream* os) { *os << "index " << c.index; }

class AngleQueryAddress : public SensorLineTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(AngleQueryAddress, GoodQuerySendsAddressAndEnqThenReads) {
    openQuietly();
    replies.push_back(angleFrame("123,45"));
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(GetParam().index), 123.45);
    EXPECT_EQ(line.log, concat({requestLog(GetParam().addressHex), readLog(11)}));
    EXPECT_EQ(session.queryCount, 1);
    EXPECT_EQ(session.readAttemptCount, 1);
    EXPECT_EQ(session.nakCount, 0);
    EXPECT_EQ(session.lastNakCount, 0);
    EXPECT_EQ(session.failedQueryCount, 0);
    EXPECT_TRUE(boxes.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Indexes, AngleQueryAddress,
                         ::testing::Values(AddressCase{0, "B1"}, AddressCase{1, "B2"}, AddressCase{78, "FF"}));

struct LanguageCase {
    uint8_t messageLanguage;
    std::vector<std::string> boxes;
};
void PrintTo(const LanguageCase& c, std::ostream* os) { *os << "language " << int(c.messageLanguage); }

class AngleQuerySilentSensor : public SensorLineTest, public ::testing::WithParamInterface<LanguageCase> {};

// Three bad replies count as three NAKs, but only the first two are sent: a
// NAK after the last read would make the sensor repeat its reply into the
// next request.
TEST_P(AngleQuerySilentSensor, ThreeReadsTheLastLeftUnanswered) {
    openQuietly();
    session.messageLanguage = GetParam().messageLanguage;
    EXPECT_EQ(session.GetKV275degrees(2), -1.0);
    EXPECT_EQ(line.log, concat({requestLog("B3"), readLog(0), nakLog(), readLog(0), nakLog(), readLog(0)}));
    EXPECT_EQ(line.written, "\xB3\x05\x15\x15");
    EXPECT_EQ(session.queryCount, 1);
    EXPECT_EQ(session.readAttemptCount, 3);
    EXPECT_EQ(session.nakCount, 3);
    EXPECT_EQ(session.lastNakCount, 3);
    EXPECT_EQ(session.failedQueryCount, 1);
    expectErrorBoxes(boxes, GetParam().boxes);
}

INSTANTIATE_TEST_SUITE_P(Languages, AngleQuerySilentSensor,
                         ::testing::Values(LanguageCase{1, {kGermanFailure}}, LanguageCase{2, {kEnglishFailure}},
                                           LanguageCase{0, {}}, LanguageCase{3, {}}));

TEST_F(AngleQueryTest, CountersAddUpOverQueries) {
    openQuietly();
    session.messageLanguage = 0;
    replies = {angleFrame("001,00")};
    ASSERT_EQ(session.GetKV275degrees(1), 1.0);
    ASSERT_EQ(session.GetKV275degrees(1), -1.0);  // silent: three reads, three NAKs
    replies = {angleFrame("12x5.."), angleFrame("002,00")};  // the first is bad
    ASSERT_EQ(session.GetKV275degrees(1), 2.0);
    EXPECT_EQ(session.queryCount, 3);
    EXPECT_EQ(session.readAttemptCount, 1 + 3 + 2);
    EXPECT_EQ(session.nakCount, 3 + 1);
    EXPECT_EQ(session.lastNakCount, 1);
    EXPECT_EQ(session.failedQueryCount, 1);
}

TEST_F(AngleQueryTest, BadThenGoodSendsOneNakAndNoSecondRequest) {
    openQuietly();
    replies = {angleFrame("123,4x"), angleFrame("045.60")};
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(5), 45.6);
    EXPECT_EQ(line.log, concat({requestLog("B6"), readLog(11), nakLog(), readLog(11)}));
    EXPECT_EQ(line.written, "\xB6\x05\x15");
    EXPECT_EQ(session.nakCount, 1);
    EXPECT_EQ(session.lastNakCount, 1);
    EXPECT_EQ(session.failedQueryCount, 0);
    EXPECT_TRUE(boxes.calls.empty());
}

struct LineReplyCase {
    const char* name;
    std::string reply;
    int got;        // bytes the one read receives
    double result;  // -1.0 for a bad reply
};

// ctest lists each case by its name, not by a dump of its bytes.
void PrintTo(const LineReplyCase& c, std::ostream* os) { *os << c.name; }

class AngleQueryReply : public SensorLineTest, public ::testing::WithParamInterface<LineReplyCase> {};

TEST_P(AngleQueryReply, OneAttemptJudgesTheReply) {
    openQuietly();
    session.attempts = 1;
    session.messageLanguage = 2;
    replies.push_back(GetParam().reply);
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(1), GetParam().result);
    const bool bad = GetParam().result == -1.0;
    // One attempt: a bad reply is not answered, nothing would read the repeat.
    EXPECT_EQ(line.log, concat({requestLog("B2"), readLog(GetParam().got)}));
    expectErrorBoxes(boxes, bad ? Log{kEnglishFailure} : Log{});
}

std::string withByte(std::string text, size_t at, char byte) {
    text[at] = byte;
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, AngleQueryReply,
    ::testing::Values(
        LineReplyCase{"Good", angleFrame("359,99"), 11, 359.99},
        LineReplyCase{"ZeroAngle", angleFrame("000,00"), 11, 0.0},
        LineReplyCase{"HighBitBytesThatCancel", angleFrame("010.00", '\xB2', '\x83'), 11, 10.0},
        // A read of 11 takes the first 11 bytes only; the rest stays on the line.
        LineReplyCase{"ExtraBytesAfterFrame", angleFrame("123,45") + "JUNK", 11, 123.45},
        LineReplyCase{"TimedOutShort", angleFrame("123,45").substr(0, 7), 7, -1.0},
        LineReplyCase{"ZeroByteInside", withByte(angleFrame("123,45"), 4, '\0'), 11, -1.0},
        LineReplyCase{"OneHighBitByte", angleFrame("123,45", '\xB2'), 11, -1.0},
        LineReplyCase{"Garbage", "\xFF\xFE\x80garbage!!!!", 11, -1.0},
        LineReplyCase{"WrongChecksum", withByte(angleFrame("123,45"), 8, '7'), 11, -1.0},
        LineReplyCase{"BadCharacters", angleFrame("1+3,45"), 11, -1.0},
        LineReplyCase{"ShiftedFrame", "X" + angleFrame("123,45"), 11, -1.0}),
    [](const ::testing::TestParamInfo<LineReplyCase>& info) { return std::string(info.param.name); });

TEST_F(AngleQueryTest, LeftoverBytesArePurgedBeforeTheNextRequest) {
    openQuietly();
    replies = {angleFrame("100,00") + "JUNK", angleFrame("200,00")};
    ASSERT_EQ(session.GetKV275degrees(1), 100.0);
    EXPECT_EQ(line.input, "JUNK");
    EXPECT_EQ(session.GetKV275degrees(1), 200.0);
    EXPECT_EQ(session.nakCount, 0);
}

TEST_F(AngleQueryTest, ReadTimeIsSummedOverTheAttemptsOfOneQuery) {
    openQuietly();  // time-outs 200, 7, 124: a silent read of 11 ends after 201 ms
    session.messageLanguage = 0;
    ASSERT_EQ(session.GetKV275degrees(1), -1.0);
    // Each reading of the fake clock moves it 1 ms on, so a read spans 201 + 1.
    EXPECT_EQ(session.lastReadTime, 3 * 202);

    replies = {angleFrame("123,45").substr(0, 10), angleFrame("123,45")};
    ASSERT_DOUBLE_EQ(session.GetKV275degrees(1), 123.45);
    EXPECT_EQ(session.lastReadTime, 202 + 1);

    replies = {angleFrame("123,45")};
    ASSERT_DOUBLE_EQ(session.GetKV275degrees(1), 123.45);
    EXPECT_EQ(session.lastReadTime, 1);
    EXPECT_EQ(session.lastNakCount, 0);
}

class AngleQueryWait : public SensorLineTest, public ::testing::WithParamInterface<uint32_t> {
protected:
    void SetUp() override {
        // Reads that end after 1 ms, so that nearly only the waits move the clock.
        settings.comParameters.ReadIntervalTimeout = 0;
        settings.comParameters.ReadTotalTimeoutMultiplier = 0;
        settings.comParameters.ReadTotalTimeoutConstant = 1;
        openQuietly();
        session.messageLanguage = 0;
        line.responder = [this](const std::string& written) {
            sentAt.push_back(clock.now());
            if (written == "\x05" && !replies.empty()) return replies.front();
            return std::string();
        };
        clock.set(GetParam());
    }
    std::vector<uint32_t> sentAt;  // tick of every write
};

TEST_P(AngleQueryWait, WaitsFifteenMillisecondsAlsoAcrossTheWrap) {
    session.attempts = 3;
    ASSERT_EQ(session.GetKV275degrees(1), -1.0);
    ASSERT_EQ(sentAt.size(), 4u);  // address, ENQ, NAK, NAK (none after the last read)
    // ENQ -> read: one wait; read -> NAK: another; NAK -> read -> NAK: two more.
    EXPECT_GE(static_cast<uint32_t>(sentAt[2] - sentAt[1]), 30u);
    EXPECT_GE(static_cast<uint32_t>(sentAt[3] - sentAt[2]), 30u);
    // And not much more: a wait that missed its end across the wrap would run
    // on for about 49 days of ticks.
    EXPECT_LT(static_cast<uint32_t>(sentAt[3] - sentAt[1]), 100u);
}

TEST_P(AngleQueryWait, GoodReplyAfterTheWait) {
    replies = {angleFrame("005,50")};
    const uint32_t start = clock.now();
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(1), 5.5);
    EXPECT_GE(static_cast<uint32_t>(clock.now() - start), 15u);
    EXPECT_LT(static_cast<uint32_t>(clock.now() - start), 100u);
}

INSTANTIATE_TEST_SUITE_P(ClockStarts, AngleQueryWait, ::testing::Values(1000u, 0xFFFFFFF1u, 0xFFFFFFF5u, 0xFFFFFFFEu));

TEST_F(AngleQueryTest, PseudoTerminalRefusingModemLinesStillWorks) {
    line.modemLineError = ENOTTY;
    openQuietly();
    replies = {angleFrame("090,00")};
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(1), 90.0);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(AngleQueryTest, VanishedDeviceFailsTheQueryWithoutCrash) {
    openQuietly();
    line.vanished = true;
    EXPECT_EQ(session.GetKV275degrees(1), -1.0);
    EXPECT_EQ(session.failedQueryCount, 1);
    EXPECT_EQ(session.nakCount, 3);
    // The query does not look at the codes: its own box is the only one.
    expectErrorBoxes(boxes, {kGermanFailure});

    boxes.calls.clear();
    session.CloseSession();  // the gone device refuses the close as well
    expectErrorBoxes(boxes, {"Error|CCom.Close:" + platform::systemErrorText(EIO),
                             "COM Error|COM Schnittstelle konnte nicht geschlossen werden."});
    EXPECT_TRUE(session.IsOpen());
    EXPECT_TRUE(settings.portInUse[0]);

    line.vanished = false;  // plugged in again
    boxes.calls.clear();
    session.CloseSession();
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(settings.portInUse[0]);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(AngleQueryTest, QueryOnClosedSessionFailsCleanly) {
    EXPECT_EQ(session.GetKV275degrees(1), -1.0);
    EXPECT_TRUE(line.log.empty());
    expectErrorBoxes(boxes, {kGermanFailure});
}

}  // namespace

// A query must tell a device that went away from a sensor that is merely
// silent: callers that show no failure box would otherwise report "no sensor".
namespace lost {

using namespace sensortest;

struct LostCase {
    const char* fault;
    std::function<void(testsupport::FakeSerialLine&)> breakLine;
    bool lost;
    const char* box;
};

class AngleQueryLostDevice : public SensorLineTest {};

TEST_F(AngleQueryLostDevice, NotesTheFirstFailureOfAVanishedDeviceOnly) {
    const std::vector<LostCase> cases{
        {"silent sensor taken for a lost device", [](testsupport::FakeSerialLine&) {}, false, nullptr},
        {"unplug before the request missed",
         [](testsupport::FakeSerialLine& l) { l.vanished = true; }, true, "Error|CCom.Write:Input/output error"},
        {"unplug during the read missed, or named after the later NAK",
         [](testsupport::FakeSerialLine& l) { l.failNext["read"] = EIO; },
         true, "Error|CCom.Read:Input/output error"},
        {"other read errors taken for a lost device",
         [](testsupport::FakeSerialLine& l) { l.failNext["read"] = EINTR; }, false, nullptr},
    };
    for (const LostCase& c : cases) {
        SCOPED_TRACE(c.fault);
        openQuietly();
        session.messageLanguage = 0;
        c.breakLine(line);
        EXPECT_EQ(session.GetKV275degrees(5), -1.0);
        EXPECT_EQ(session.DeviceLost(), c.lost);
        ComErrorOperation = "CCom.Close";  // whatever failed since must not rename it
        session.ShowDeviceLost();
        EXPECT_EQ(boxes.summary(), c.box ? std::vector<std::string>{c.box} : std::vector<std::string>{});
        // The next query starts with a clean slate.
        line.vanished = false;
        line.failNext.clear();
        replies.push_back(angleFrame("001.00"));
        EXPECT_EQ(session.GetKV275degrees(5), 1.0);
        EXPECT_FALSE(session.DeviceLost());
        session.CloseSession();
        boxes.calls.clear();
    }
}

}  // namespace lost
