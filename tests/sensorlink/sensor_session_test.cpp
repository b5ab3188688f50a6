// Opening and closing the sensor session: the device check, the in-use marks
// of the ports and the boxes shown on each failure.
#include "platform/system_error.h"
#include "tests/sensorlink/sensor_line_fixture.h"

#include <gtest/gtest.h>

#include <ostream>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace {

using namespace sensortest;
using Log = std::vector<std::string>;

const char* const kInUse = "COM Error|Das dem KV275 zugewiesene COM Port wird bereits benutzt.";
const char* const kNotOpened = "COM Error|COM Schnittstelle konnte nicht geöffnet werden.";
const char* const kNotClosed = "COM Error|COM Schnittstelle konnte nicht geschlossen werden.";
const char* const kCheckNotClosed = "COM Error|Und die COM Schnittstelle konnte nicht geschlossen werden.";
const char* const kDeviceCheck =
    "Device/COM Error|Das Gerät funktioniert nicht wie erwartet.\nÜberprüfen Sie bitte das Gerät und die Verbindung.";
const char* const kQueryFailure = "COM Error|GetKV275degrees: Es wurden keine Daten empfangen.";

std::string comError(const char* operation, int code) {
    return std::string("Error|") + operation + ":" + platform::systemErrorText(code);
}

const Log kOpenLog = {"open COM1", "getState", "getTimeouts", "setState", "setTimeouts"};

class SessionTest : public SensorLineTest {};

TEST_F(SessionTest, StartsClosedWithDefaults) {
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.attempts, 3);
    EXPECT_EQ(session.messageLanguage, 1);
    EXPECT_EQ(session.readAttemptCount, 0);
    EXPECT_EQ(session.queryCount, 0);
    EXPECT_EQ(session.nakCount, 0);
    EXPECT_EQ(session.failedQueryCount, 0);
    EXPECT_EQ(session.lastReadTime, 0);
    EXPECT_EQ(session.lastNakCount, 0);
    EXPECT_EQ(session.skipDeviceCheck, 0);
}

TEST_F(SessionTest, OpenWithoutCheckSendsNothing) {
    session.skipDeviceCheck = 0;
    settings.comParameters.BaudRate = 19200;
    line.dcb.flags = platform::dcbflags::Binary | platform::dcbflags::RtsControlHandshake |
                     platform::dcbflags::DtrControlEnable;
    EXPECT_TRUE(session.OpenSession(-1));
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(line.log, kOpenLog);
    EXPECT_TRUE(line.traffic().empty());
    EXPECT_TRUE(settings.portInUse[0]);
    EXPECT_EQ(session.skipDeviceCheck, 0);
    // The session steers RTS and DTR itself: the driver lets go of both.
    EXPECT_EQ(line.dcb.flags, platform::dcbflags::Binary);
    EXPECT_EQ(line.dcb.BaudRate, 19200u);
    EXPECT_EQ(line.timeouts, (platform::CommTimeouts{200, 7, 124, 0, 0}));
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(SessionTest, OpenOnAnotherPortUsesItsNameAndMark) {
    settings.ISPort = 4;
    EXPECT_TRUE(session.OpenSession(-1));
    EXPECT_EQ(line.openedName, "COM4");
    EXPECT_EQ(settings.portInUse[3], true);
    EXPECT_EQ(settings.portInUse[0], false);
    session.CloseSession();
    EXPECT_EQ(settings.portInUse[3], false);
}

struct ModeCase {
    int32_t mode;
    bool checks;
    uint8_t skipAfter;
};
void PrintTo(const ModeCase& c, std::ostream* os) { *os << "mode " << c.mode; }

class SessionOpenMode : public SensorLineTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(SessionOpenMode, ChecksTheDeviceUnlessTold) {
    settings.ISAddress = 5;
    replies = {angleFrame("010,00")};
    session.attempts = 7;
    EXPECT_TRUE(session.OpenSession(GetParam().mode));
    EXPECT_EQ(session.skipDeviceCheck, GetParam().skipAfter);
    if (GetParam().checks) {
        EXPECT_EQ(line.traffic(), (Log{"purge", "write B6", "write 05", "drain", "read 11 got 11"}));
        EXPECT_EQ(session.attempts, 3);  // always 3 after the check
        EXPECT_EQ(session.queryCount, 1);
    } else {
        EXPECT_TRUE(line.traffic().empty());
        EXPECT_EQ(session.attempts, 7);
    }
    EXPECT_TRUE(settings.portInUse[0]);
    EXPECT_TRUE(boxes.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, SessionOpenMode,
                         ::testing::Values(ModeCase{-1, false, 0}, ModeCase{0, true, 0}, ModeCase{1, false, 1},
                                           ModeCase{256, true, 0},  // only the low byte is kept
                                           ModeCase{257, false, 1}, ModeCase{-2, false, 0xFE}));

TEST_F(SessionTest, ModeMinusOneKeepsAnEarlierSkip) {
    session.skipDeviceCheck = 1;
    EXPECT_TRUE(session.OpenSession(-1));
    EXPECT_EQ(session.skipDeviceCheck, 1);
}

TEST_F(SessionTest, CheckMakesOneAttemptOnly) {
    replies = {angleFrame("bad,00"), angleFrame("010,00")};  // a second read would succeed
    EXPECT_FALSE(session.OpenSession(0));
    EXPECT_EQ(session.readAttemptCount, 1);
    EXPECT_EQ(session.attempts, 3);
}

class SessionFailedCheck : public SensorLineTest, public ::testing::WithParamInterface<uint8_t> {};

TEST_P(SessionFailedCheck, ShowsQueryBoxThenDeviceBoxAndCloses) {
    session.messageLanguage = GetParam();
    settings.ISAddress = 0;
    EXPECT_FALSE(session.OpenSession(0));
    Log expected = GetParam() == 1 ? Log{kQueryFailure} : Log{};
    expected.push_back(kDeviceCheck);
    expectErrorBoxes(boxes, expected);
    EXPECT_EQ(line.log, concat({kOpenLog, requestLog("B1"), readLog(0), {"close"}}));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(settings.portInUse[0]);
    EXPECT_EQ(session.attempts, 3);
    EXPECT_EQ(session.failedQueryCount, 1);
}

INSTANTIATE_TEST_SUITE_P(Languages, SessionFailedCheck, ::testing::Values(uint8_t{1}, uint8_t{0}));

TEST_F(SessionTest, FailedCheckAndFailedCloseLeaveSessionOpen) {
    line.failNext["close"] = EIO;
    EXPECT_FALSE(session.OpenSession(0));
    expectErrorBoxes(boxes, {kQueryFailure, kDeviceCheck, comError("CCom.Close", EIO), kCheckNotClosed});
    EXPECT_TRUE(session.IsOpen());
    EXPECT_TRUE(settings.portInUse[0]);
}

TEST_F(SessionTest, CloseClearsTheMark) {
    openQuietly();
    session.CloseSession();
    EXPECT_EQ(line.log, (Log{"close"}));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(settings.portInUse[0]);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(SessionTest, FailedCloseKeepsMarkAndNextOpenReopens) {
    openQuietly();
    line.failNext["close"] = EIO;
    session.CloseSession();
    expectErrorBoxes(boxes, {comError("CCom.Close", EIO), kNotClosed});
    EXPECT_TRUE(session.IsOpen());
    EXPECT_TRUE(settings.portInUse[0]);

    boxes.calls.clear();
    line.clearLog();
    EXPECT_TRUE(session.OpenSession(-1));  // its own mark does not refuse it
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(line.log, concat({{"close"}, kOpenLog}));
    EXPECT_EQ(line.openCount, 2);
    EXPECT_TRUE(settings.portInUse[0]);
}

TEST_F(SessionTest, ReopenWhoseCloseFailsKeepsThePortItHas) {
    openQuietly();
    line.failNext["close"] = EIO;
    EXPECT_TRUE(session.OpenSession(-1));
    expectErrorBoxes(boxes, {comError("CCom.Close", EIO)});
    // No second open of a port that is still held: the open device stays in use.
    EXPECT_EQ(line.log, (Log{"close -> E5", "getState", "getTimeouts", "setState", "setTimeouts"}));
    EXPECT_TRUE(session.IsOpen());
    EXPECT_TRUE(settings.portInUse[0]);
    replies = {angleFrame("001,00")};
    EXPECT_EQ(session.GetKV275degrees(1), 1.0);
}

// The port was closed before the failed reopen: keeping its mark would
// refuse every later open as "already in use".
TEST_F(SessionTest, FailedReopenReleasesTheMarkAndTheNextOpenWorks) {
    openQuietly();
    line.openError = ENOENT;
    EXPECT_FALSE(session.OpenSession(-1));
    expectErrorBoxes(boxes, {comError("CCom.Open", ENOENT), kNotOpened});
    EXPECT_FALSE(settings.portInUse[0]);

    boxes.calls.clear();
    line.openError = 0;
    EXPECT_TRUE(session.OpenSession(-1));
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_TRUE(settings.portInUse[0]);
}

TEST_F(SessionTest, MarkedPortIsRefused) {
    settings.ISPort = 2;
    settings.portInUse[1] = true;
    EXPECT_FALSE(session.OpenSession(1));
    expectErrorBoxes(boxes, {kInUse});
    EXPECT_TRUE(line.log.empty());
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(session.skipDeviceCheck, 1);  // stored before the refusal
}

TEST_F(SessionTest, OpenFailureShowsSystemErrorThenSessionBox) {
    line.openError = ENOENT;
    EXPECT_FALSE(session.OpenSession(-1));
    expectErrorBoxes(boxes, {comError("CCom.Open", ENOENT), kNotOpened});
    EXPECT_EQ(line.log, (Log{"open COM1 -> E2"}));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(settings.portInUse[0]);
}

TEST_F(SessionTest, PortHeldElsewhereShowsBusy) {
    SessionSettings otherSettings;
    CSensorSession other(otherSettings);  // another program on the same port
    ASSERT_TRUE(other.OpenSession(-1));
    EXPECT_FALSE(session.OpenSession(-1));
    expectErrorBoxes(boxes, {comError("CCom.Open", EBUSY), kNotOpened});
    EXPECT_NE(boxes.calls.at(0).text.find("busy"), std::string::npos);
    EXPECT_FALSE(settings.portInUse[0]);
    other.CloseSession();
}

TEST_F(SessionTest, FailedLineSettingsAreShownButSessionOpens) {
    line.failNext["setState"] = EINVAL;
    EXPECT_TRUE(session.OpenSession(-1));
    expectErrorBoxes(boxes, {comError("CCom.SetDCB", EINVAL)});
    EXPECT_TRUE(session.IsOpen());
}

class SessionOutsideBusPorts : public SensorLineTest, public ::testing::WithParamInterface<int> {};

TEST_P(SessionOutsideBusPorts, NeverTouchTheMarks) {
    const bool marks[4] = {true, false, true, false};
    std::copy(marks, marks + 4, settings.portInUse);
    settings.ISPort = static_cast<int8_t>(GetParam());

    EXPECT_FALSE(session.OpenSession(-1));
    expectErrorBoxes(boxes, {comError("CCom.Open", ENODEV), kNotOpened});
    EXPECT_TRUE(line.log.empty());
    session.CloseSession();
    EXPECT_EQ(boxes.calls.size(), 2u);
    EXPECT_TRUE(std::equal(marks, marks + 4, settings.portInUse));
}

TEST_P(SessionOutsideBusPorts, ClosingAfterTheNumberChangedKeepsTheMarks) {
    openQuietly();
    settings.ISPort = static_cast<int8_t>(GetParam());
    session.CloseSession();
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(line.isOpen);
    // The number current at close has no mark; port 1's stays as it was.
    EXPECT_TRUE(settings.portInUse[0]);
    EXPECT_FALSE(settings.portInUse[1] || settings.portInUse[2] || settings.portInUse[3]);
    EXPECT_TRUE(boxes.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Numbers, SessionOutsideBusPorts, ::testing::Values(0, 5, -1, 127));

TEST_F(SessionTest, DestructionClosesAnOpenSession) {
    SessionSettings ownSettings;
    {
        CSensorSession own(ownSettings);
        ASSERT_TRUE(own.OpenSession(-1));
        ASSERT_TRUE(ownSettings.portInUse[0]);
    }
    EXPECT_FALSE(line.isOpen);
    EXPECT_FALSE(ownSettings.portInUse[0]);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(SessionTest, DestructionWithFailingCloseShowsItsBoxesAndEnds) {
    SessionSettings ownSettings;
    line.failAlways["close"] = EIO;
    {
        CSensorSession own(ownSettings);
        ASSERT_TRUE(own.OpenSession(-1));
    }
    expectErrorBoxes(boxes, {comError("CCom.Close", EIO), kNotClosed});
    EXPECT_EQ(line.log.back(), "close -> E5");  // the silent last try of the port itself
    line.failAlways.clear();
}

}  // namespace
