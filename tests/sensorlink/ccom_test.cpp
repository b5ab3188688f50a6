// CCom on the scripted line: opening, line settings, steering of RTS/DTR,
// reads and writes, and how failures are named and shown.
#include "platform/system_error.h"
#include "sensorlink/ccom.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace {

using platform::MsgButtons;
using platform::MsgIcon;
namespace flags = platform::dcbflags;
using Log = std::vector<std::string>;

// Lets the tests switch direction control, which only the session does in
// the programs.
class TestCom : public CCom {
public:
    using CCom::directionControl;
};

class CComTest : public ::testing::Test {
protected:
    CComTest() {
        ComErrorOperation.clear();
        line.install();
    }
    void openQuietly(bool steering) {
        com.directionControl = steering;
        ASSERT_EQ(com.Open(1), 0u);
        line.clearLog();
    }

    testsupport::FakeSerialLine line;
    testsupport::MessageBoxRecorder boxes;
    TestCom com;
};

TEST_F(CComTest, OpenByComNameAndClose) {
    EXPECT_FALSE(com.IsOpen());
    EXPECT_EQ(com.Open(3), 0u);
    EXPECT_TRUE(com.IsOpen());
    EXPECT_EQ(line.openedName, "COM3");
    EXPECT_EQ(com.Close(), 0u);
    EXPECT_FALSE(com.IsOpen());
    EXPECT_FALSE(line.isOpen);
    EXPECT_EQ(line.log, (Log{"open COM3", "close"}));
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(ComErrorOperation, "");
}

// An adapter's driver passes replies on at once only when asked at each
// open; its own setting comes back at close, and a driver that refuses
// leaves everything else as it would be.
TEST(CComLatency, AsksForLowLatencyAtOpenPutsTheDriversSettingBackAtCloseAndGoesOnWhereRefused) {
    const struct {
        const char* name;
        bool driverHadIt;
        int refusal;
        Log requests;
        bool whileOpen;
    } cases[] = {
        {"driver takes it", false, 0, {"on", "off"}, true},
        {"driver had it on", true, 0, {"on"}, true},
        {"pseudo-terminal", false, ENOTTY, {"on -> E25"}, false},
        {"no right to it", false, EPERM, {"on -> E1"}, false},
    };
    Log exchange;
    for (const auto& c : cases) {
        testsupport::FakeSerialLine line;
        line.install();
        line.lowLatency = c.driverHadIt;
        line.lowLatencyError = c.refusal;
        line.responder = [](const std::string&) { return std::string("xy"); };
        testsupport::MessageBoxRecorder boxes;
        ComErrorOperation.clear();
        TestCom com;
        com.directionControl = true;
        char buffer[4];
        EXPECT_EQ(com.Open(1), 0u) << c.name;
        EXPECT_EQ(line.lowLatency, c.whileOpen) << c.name;
        EXPECT_EQ(com.SetComParameters(ComParameters{}), 0u) << c.name;
        EXPECT_EQ(com.Write("A"), 0u) << c.name;
        EXPECT_EQ(com.Read(buffer, 2), 0u) << c.name;
        EXPECT_EQ(com.Close(), 0u) << c.name;
        EXPECT_EQ(line.latencyLog, c.requests) << c.name;
        EXPECT_EQ(line.lowLatency, c.driverHadIt) << c.name;
        if (exchange.empty()) exchange = line.log;
        EXPECT_EQ(line.log, exchange) << c.name;
        EXPECT_TRUE(boxes.calls.empty()) << c.name;
        EXPECT_EQ(ComErrorOperation, "") << c.name;
    }
}

TEST_F(CComTest, FailedOpenLeavesPortClosedAndNamesIt) {
    line.openError = EACCES;
    EXPECT_EQ(com.Open(2), static_cast<uint32_t>(EACCES));
    EXPECT_FALSE(com.IsOpen());
    EXPECT_EQ(ComErrorOperation, "CCom.Open");
    EXPECT_EQ(com.Close(), 0u);  // nothing to close
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(CComTest, WriteAndReadWithoutDeviceFailCleanly) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    com.directionControl = true;
    EXPECT_EQ(com.Write("A"), static_cast<uint32_t>(EBADF));
    EXPECT_EQ(ComErrorOperation, "CCom.Write");
    EXPECT_EQ(com.Read(buffer, 4), static_cast<uint32_t>(EBADF));
    EXPECT_EQ(ComErrorOperation, "CCom.Read");
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0);

    // The same after a close: the closed device is never used again.
    ASSERT_EQ(com.Open(1), 0u);
    ASSERT_EQ(com.Close(), 0u);
    line.clearLog();
    EXPECT_EQ(com.Write("A"), static_cast<uint32_t>(EBADF));
    EXPECT_EQ(com.Read(buffer, 4), static_cast<uint32_t>(EBADF));
    EXPECT_TRUE(line.log.empty());
}

class CComOutsideBusPorts : public CComTest, public ::testing::WithParamInterface<int> {};

TEST_P(CComOutsideBusPorts, OpenRefusesWithoutTouchingADevice) {
    EXPECT_EQ(com.Open(static_cast<int8_t>(GetParam())), static_cast<uint32_t>(ENODEV));
    EXPECT_FALSE(com.IsOpen());
    EXPECT_EQ(ComErrorOperation, "CCom.Open");
    EXPECT_TRUE(line.log.empty());
}

INSTANTIATE_TEST_SUITE_P(Numbers, CComOutsideBusPorts, ::testing::Values(0, 5, -1, 127, -128));

TEST_F(CComTest, FailedCloseKeepsPortOpenForAnotherTry) {
    ASSERT_EQ(com.Open(1), 0u);
    line.failNext["close"] = EIO;
    EXPECT_EQ(com.Close(), static_cast<uint32_t>(EIO));
    EXPECT_TRUE(com.IsOpen());
    EXPECT_EQ(ComErrorOperation, "CCom.Close");
    EXPECT_EQ(com.Close(), 0u);
    EXPECT_FALSE(com.IsOpen());
    EXPECT_FALSE(line.isOpen);
}

TEST_F(CComTest, SettingsOnClosedPortChangeNothing) {
    platform::DeviceControlBlock dcb;
    dcb.BaudRate = 1234;
    platform::CommTimeouts timeouts;
    timeouts.ReadIntervalTimeout = 77;
    EXPECT_EQ(com.GetDCB(dcb), 0u);
    EXPECT_EQ(dcb.BaudRate, 1234u);
    EXPECT_EQ(com.GetTimeouts(timeouts), 0u);
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 77u);
    EXPECT_EQ(com.SetDCB(dcb), 0u);
    EXPECT_EQ(com.SetTimeouts(timeouts), 0u);
    com.directionControl = true;
    ComParameters p;
    p.BaudRate = 19200;
    EXPECT_EQ(com.SetComParameters(p), 0u);
    EXPECT_EQ(com.Close(), 0u);
    EXPECT_TRUE(line.log.empty());
    EXPECT_EQ(line.dcb, platform::DeviceControlBlock{});
    EXPECT_EQ(ComErrorOperation, "");
}

struct SetComCase {
    bool directionControl;
    uint32_t expectedFlags;
};
void PrintTo(const SetComCase& c, std::ostream* os) { *os << (c.directionControl ? "direction control" : "no direction control"); }

class CComSetParameters : public CComTest, public ::testing::WithParamInterface<SetComCase> {};

TEST_P(CComSetParameters, PutsLineSettingsAndTimeoutsOnThePort) {
    const uint32_t driverFlags = flags::Binary | flags::OutxCtsFlow | flags::OutxDsrFlow | flags::DtrControlEnable |
                                 flags::RtsControlHandshake | flags::OutX | flags::AbortOnError;
    line.dcb.DCBlength = 0;
    line.dcb.flags = driverFlags;
    line.dcb.XonChar = 0x21;
    openQuietly(GetParam().directionControl);

    ComParameters p;
    p.BaudRate = 19200;
    p.ByteSize = 7;
    p.Parity = platform::EVENPARITY;
    p.StopBits = platform::TWOSTOPBITS;
    p.ReadIntervalTimeout = 1;
    p.ReadTotalTimeoutMultiplier = 2;
    p.ReadTotalTimeoutConstant = 3;
    p.WriteTotalTimeoutMultiplier = 4;
    p.WriteTotalTimeoutConstant = 5;
    EXPECT_EQ(com.SetComParameters(p), 0u);

    EXPECT_EQ(line.log, (Log{"getState", "getTimeouts", "setState", "setTimeouts"}));
    EXPECT_EQ(line.dcb.DCBlength, 28u);
    EXPECT_EQ(line.dcb.BaudRate, 19200u);
    EXPECT_EQ(line.dcb.ByteSize, 7);
    EXPECT_EQ(line.dcb.Parity, platform::EVENPARITY);
    EXPECT_EQ(line.dcb.StopBits, platform::TWOSTOPBITS);
    EXPECT_EQ(line.dcb.XonChar, 0x21);
    EXPECT_EQ(line.dcb.flags, GetParam().expectedFlags);
    EXPECT_EQ(line.timeouts, (platform::CommTimeouts{1, 2, 3, 4, 5}));
}

INSTANTIATE_TEST_SUITE_P(
    Steering, CComSetParameters,
    ::testing::Values(SetComCase{false, flags::Binary | flags::OutxCtsFlow | flags::OutxDsrFlow |
                                            flags::DtrControlEnable | flags::RtsControlHandshake | flags::OutX |
                                            flags::AbortOnError},
                      // RTS, DTR and DSR flow are the program's alone.
                      SetComCase{true, flags::Binary | flags::OutxCtsFlow | flags::OutX | flags::AbortOnError}));

struct FailingStep {
    const char* deviceOp;
    const char* operationName;
    Log expectedLog;
};
void PrintTo(const FailingStep& c, std::ostream* os) { *os << c.deviceOp; }

class CComSetParametersFailure : public CComTest, public ::testing::WithParamInterface<FailingStep> {};

TEST_P(CComSetParametersFailure, StopsAtTheFirstFailingStep) {
    openQuietly(true);
    line.failNext[GetParam().deviceOp] = EINVAL;
    ComParameters p;
    p.BaudRate = 4800;
    EXPECT_EQ(com.SetComParameters(p), static_cast<uint32_t>(EINVAL));
    EXPECT_EQ(ComErrorOperation, GetParam().operationName);
    EXPECT_EQ(line.log, GetParam().expectedLog);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, CComSetParametersFailure,
    ::testing::Values(FailingStep{"getState", "CCom.GetDCB", {"getState -> E22"}},
                      FailingStep{"getTimeouts", "CCom.GetTimeouts", {"getState", "getTimeouts -> E22"}},
                      FailingStep{"setState", "CCom.SetDCB", {"getState", "getTimeouts", "setState -> E22"}},
                      FailingStep{"setTimeouts", "CCom.SetTimeouts",
                                  {"getState", "getTimeouts", "setState", "setTimeouts -> E22"}}));

TEST_F(CComTest, LineSettingsStayWhenTimeoutsFail) {
    openQuietly(true);
    line.failNext["setTimeouts"] = EIO;
    ComParameters p;
    p.BaudRate = 4800;
    EXPECT_EQ(com.SetComParameters(p), static_cast<uint32_t>(EIO));
    EXPECT_EQ(line.dcb.BaudRate, 4800u);
}

TEST_F(CComTest, WriteSteersTheAdapterToSending) {
    openQuietly(true);
    EXPECT_EQ(com.Write("AB"), 0u);
    EXPECT_EQ(line.log, (Log{"CLRDTR", "SETRTS", "write 41 42"}));
    EXPECT_TRUE(line.rts);
    EXPECT_FALSE(line.dtr);
    EXPECT_EQ(line.written, "AB");
}

TEST_F(CComTest, ReadSteersTheAdapterToListening) {
    openQuietly(true);
    line.input = "xyz";
    char buffer[5];
    EXPECT_EQ(com.Read(buffer, 3), 0u);
    EXPECT_EQ(line.log, (Log{"CLRRTS", "SETDTR", "read 3 got 3"}));
    EXPECT_FALSE(line.rts);
    EXPECT_TRUE(line.dtr);
}

TEST_F(CComTest, WithoutDirectionControlNoLineMoves) {
    openQuietly(false);
    line.input = "xyz";
    char buffer[5];
    EXPECT_EQ(com.Write("AB"), 0u);
    EXPECT_EQ(com.Read(buffer, 3), 0u);
    EXPECT_EQ(line.log, (Log{"write 41 42", "read 3 got 3"}));
}

TEST_F(CComTest, EmptyWriteSendsNothingButStillSteers) {
    openQuietly(true);
    EXPECT_EQ(com.Write(""), 0u);
    EXPECT_EQ(line.log, (Log{"CLRDTR", "SETRTS"}));
    EXPECT_EQ(line.written, "");
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(CComTest, RefusedModemLinesDoNotFailWriteOrRead) {
    line.modemLineError = ENOTTY;  // a pseudo-terminal
    openQuietly(true);
    line.input = "ok";
    char buffer[4];
    EXPECT_EQ(com.Write("A"), 0u);
    EXPECT_EQ(com.Read(buffer, 2), 0u);
    EXPECT_STREQ(buffer, "ok");
    EXPECT_EQ(ComErrorOperation, "");
}

TEST_F(CComTest, ShortWriteShowsNoticeAndSucceeds) {
    openQuietly(false);
    line.writeLimit = 1;
    EXPECT_EQ(com.Write("ABC"), 0u);
    EXPECT_EQ(line.written, "A");
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, "Data was only partially send.");
    EXPECT_EQ(boxes.calls[0].title, "COM Message");
    EXPECT_EQ(boxes.calls[0].icon, MsgIcon::Information);
    EXPECT_EQ(boxes.calls[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(boxes.calls[0].owner, nullptr);
}

TEST_F(CComTest, FailedWriteNamesItAndShowsNothing) {
    openQuietly(false);
    line.failNext["write"] = EIO;
    EXPECT_EQ(com.Write("A"), static_cast<uint32_t>(EIO));
    EXPECT_EQ(ComErrorOperation, "CCom.Write");
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(CComTest, ReadEndsWhatCameWithTwoZeros) {
    openQuietly(false);
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    line.input = "AB";
    EXPECT_EQ(com.Read(buffer, 5), 0u);  // short at the time-out: still success
    EXPECT_EQ(std::string(buffer, 5), std::string("AB\0\0x", 5));

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(com.Read(buffer, 5), 0u);  // nothing came
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0);

    line.input = std::string("A\0BC", 4);
    EXPECT_EQ(com.Read(buffer, 4), 0u);
    EXPECT_EQ(std::strlen(buffer), 1u);  // a zero byte makes the text look shorter
    EXPECT_EQ(buffer[4], 0);
    EXPECT_EQ(buffer[5], 0);
}

TEST_F(CComTest, FullReadUsesCountPlusTwoBytes) {
    openQuietly(false);
    char buffer[6];  // exactly count + 2: a sanitizer catches any byte beyond
    line.input = "ABCDEFG";
    EXPECT_EQ(com.Read(buffer, 4), 0u);
    EXPECT_STREQ(buffer, "ABCD");
    EXPECT_EQ(buffer[5], 0);
    EXPECT_EQ(line.input, "EFG");
}

TEST_F(CComTest, FailedReadNamesItAndEndsTheBuffer) {
    openQuietly(false);
    line.failNext["read"] = EIO;
    char buffer[4];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(com.Read(buffer, 2), static_cast<uint32_t>(EIO));
    EXPECT_EQ(ComErrorOperation, "CCom.Read");
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[1], 0);
}

TEST_F(CComTest, OperationNameLastsUntilTheNextFailure) {
    openQuietly(false);
    char buffer[4];
    line.failNext["read"] = EIO;
    ASSERT_NE(com.Read(buffer, 2), 0u);
    EXPECT_FALSE(ShowComError(EIO));
    EXPECT_EQ(ComErrorOperation, "CCom.Read");

    platform::DeviceControlBlock dcb;
    EXPECT_EQ(com.Write("A"), 0u);
    EXPECT_EQ(com.Read(buffer, 2), 0u);
    EXPECT_EQ(com.GetDCB(dcb), 0u);
    EXPECT_EQ(ComErrorOperation, "CCom.Read");

    // Any other CCom object's failure replaces it: the name is program-wide.
    CCom other;
    EXPECT_NE(other.Open(9), 0u);
    EXPECT_EQ(ComErrorOperation, "CCom.Open");
}

TEST_F(CComTest, DestructionClosesSilently) {
    {
        CCom port;
        ASSERT_EQ(port.Open(2), 0u);
    }
    EXPECT_FALSE(line.isOpen);
    EXPECT_EQ(line.log.back(), "close");

    line.failAlways["close"] = EIO;
    {
        CCom port;
        ASSERT_EQ(port.Open(2), 0u);
    }
    EXPECT_TRUE(boxes.calls.empty());
}

class ShowComErrorTest : public ::testing::Test {
protected:
    ShowComErrorTest() { ComErrorOperation.clear(); }
    testsupport::MessageBoxRecorder boxes;
};

TEST_F(ShowComErrorTest, CodeZeroShowsNothing) {
    ComErrorOperation = "CCom.Open";
    EXPECT_TRUE(ShowComError(0));
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(ShowComErrorTest, ShowsOperationAndSystemText) {
    ComErrorOperation = "CCom.Open";
    EXPECT_FALSE(ShowComError(EBUSY));
    ASSERT_EQ(boxes.calls.size(), 1u);
    const platform::MessageBoxCall& box = boxes.calls[0];
    EXPECT_EQ(box.text, "CCom.Open:" + platform::systemErrorText(EBUSY));
    EXPECT_NE(box.text.find("busy"), std::string::npos);
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.icon, MsgIcon::Error);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.owner, nullptr);
}

TEST_F(ShowComErrorTest, WithoutOperationShowsSystemTextAlone) {
    EXPECT_FALSE(ShowComError(EIO));
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, platform::systemErrorText(EIO));
}

TEST_F(ShowComErrorTest, OperationNameKeepsAtMost255Characters) {
    ComErrorOperation = std::string(300, 'n');
    EXPECT_FALSE(ShowComError(EIO));
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(boxes.calls[0].text, std::string(255, 'n') + ":" + platform::systemErrorText(EIO));
}

}  // namespace
