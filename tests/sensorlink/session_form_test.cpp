// The scanner's and the setup program's session side by side: the same bus,
// what each puts on the wire and which boxes each shows.
#include "platform/system_error.h"
#include "tests/sensorlink/sensor_line_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace sensortest;
using Log = std::vector<std::string>;

const char* const kSetupQueryFailure = "COM Error|GetKV275degrees:no data received.";
const char* const kSetupDeviceCheck =
    "Device/COM Error|The device does not work as expected.\nPlease check the device and the connection.";

std::string garbledFrame() {
    std::string frame = angleFrame("012,00");
    frame[9] = frame[9] == '0' ? '1' : '0';
    return frame;
}

class FormTest : public SensorLineTest {
protected:
    FormTest() {
        line.responder = [this](const std::string& written) -> std::string {
            if (written == "\x05") enqAt = clock.now();
            if (written != "\x05" && written != "\x15") return {};
            return garbled ? garbledFrame() : std::string();
        };
        boxes.whileShown = [this](const platform::MessageBoxCall&) { boxAt.push_back(clock.now()); };
    }
    CSensorSession& sessionOf(SessionForm form) { return form == SessionForm::Setup ? setupSession : session; }

    bool garbled = false;  // else silent
    uint32_t enqAt = 0;
    std::vector<uint32_t> boxAt;
    CSensorSession setupSession{settings, SessionForm::Setup};
};

struct QueryCase {
    const char* name;
    SessionForm form;
    bool garbled;
    uint8_t messageLanguage;
    Log traffic;
    Log boxes;
    uint32_t msToBox;  // least time from the request to the box
};
void PrintTo(const QueryCase& c, std::ostream* os) { *os << c.name; }

class FormQuery : public FormTest, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(FormQuery, FailedQueryOnTheWire) {
    const QueryCase& c = GetParam();
    CSensorSession& s = sessionOf(c.form);
    ASSERT_TRUE(s.OpenSession(-1));
    line.clearLog();
    garbled = c.garbled;
    s.messageLanguage = c.messageLanguage;

    EXPECT_EQ(s.GetKV275degrees(1), -1.0);
    EXPECT_EQ(line.traffic(), c.traffic);
    expectErrorBoxes(boxes, c.boxes);
    ASSERT_EQ(boxAt.size(), c.boxes.size());
    if (!boxAt.empty()) {
        EXPECT_GE(boxAt[0] - enqAt, c.msToBox);
    }
}

const Log kScannerRequest{"purge", "write B2", "write 05", "drain"};
const Log kNak{"write 15", "drain"};

// Three reads, a NAK after each but the last (nothing would read its repeat).
Log scannerThreeReads(int got) {
    Log log = kScannerRequest;
    for (int i = 0; i < 3; ++i) {
        log.push_back("read 11 got " + std::to_string(got));
        if (i < 2) log.insert(log.end(), kNak.begin(), kNak.end());
    }
    return log;
}

// Read time-outs 200, 7, 124: a silent read of 11 takes 201 ms; 15 ms come
// before each read and before each NAK.
INSTANTIATE_TEST_SUITE_P(
    Forms, FormQuery,
    ::testing::Values(
        QueryCase{"ScannerSilent", SessionForm::Scanner, false, 1, scannerThreeReads(0),
                  {"COM Error|GetKV275degrees: Es wurden keine Daten empfangen."}, 3 * (15 + 201) + 2 * 15},
        QueryCase{"ScannerGarbled", SessionForm::Scanner, true, 2, scannerThreeReads(11),
                  {"COM Error|GetKV275degrees: no data received"}, 3 * 15 + 2 * 15},
        // The setup form: one read, no purge, no NAK, and its box whatever
        // the language says, after a last 15 ms.
        QueryCase{"SetupSilent", SessionForm::Setup, false, 1, {"write B2", "write 05", "drain", "read 11 got 0"},
                  {kSetupQueryFailure}, 15 + 201 + 15},
        QueryCase{"SetupGarbled", SessionForm::Setup, true, 0, {"write B2", "write 05", "drain", "read 11 got 11"},
                  {kSetupQueryFailure}, 30}),
    [](const ::testing::TestParamInfo<QueryCase>& info) { return std::string(info.param.name); });

std::string comError(const char* operation, int code) {
    return std::string("Error|") + operation + ":" + platform::systemErrorText(code);
}

struct SetupBoxCase {
    const char* name;
    std::function<void(testsupport::FakeSerialLine&, SessionSettings&)> prepare;
    bool closeAfterOpen;  // else open with the device check
    Log boxes;
};
void PrintTo(const SetupBoxCase& c, std::ostream* os) { *os << c.name; }

class SetupFormBoxes : public FormTest, public ::testing::WithParamInterface<SetupBoxCase> {};

TEST_P(SetupFormBoxes, SpeakEnglish) {
    GetParam().prepare(line, settings);
    if (GetParam().closeAfterOpen) {
        ASSERT_TRUE(setupSession.OpenSession(-1));
        setupSession.CloseSession();
    } else {
        EXPECT_FALSE(setupSession.OpenSession(0));
    }
    expectErrorBoxes(boxes, GetParam().boxes);
}

void markPort(testsupport::FakeSerialLine&, SessionSettings& settings) { settings.portInUse[0] = true; }
void refuseOpen(testsupport::FakeSerialLine& line, SessionSettings&) { line.openError = ENOENT; }
void refuseClose(testsupport::FakeSerialLine& line, SessionSettings&) { line.failNext["close"] = EIO; }

INSTANTIATE_TEST_SUITE_P(
    Failures, SetupFormBoxes,
    ::testing::Values(
        SetupBoxCase{"PortInUse", markPort, false,
                     {"COM Error|The serial port assigned to the KV275 is already in use."}},
        SetupBoxCase{"NotOpened", refuseOpen, false,
                     {comError("CCom.Open", ENOENT), "COM Error|Serial port could not be opened."}},
        SetupBoxCase{"CheckFailsAndCloseFails", refuseClose, false,
                     {kSetupQueryFailure, kSetupDeviceCheck, comError("CCom.Close", EIO),
                      "COM Error|and the serial port could not be closed."}},
        SetupBoxCase{"CloseFails", refuseClose, true,
                     {comError("CCom.Close", EIO), "COM Error|Serial port could not be closed."}}),
    [](const ::testing::TestParamInfo<SetupBoxCase>& info) { return std::string(info.param.name); });

TEST_F(FormTest, SetupOpenStoresEveryModeAndChecksWithOneRead) {
    line.responder = [](const std::string& written) { return written == "\x05" ? angleFrame("001,00") : ""; };
    ASSERT_TRUE(setupSession.OpenSession(-1));  // no "keep it" mode: -1 is stored like any other
    EXPECT_EQ(setupSession.skipDeviceCheck, 0xFF);
    EXPECT_TRUE(line.traffic().empty());
    setupSession.CloseSession();
    ASSERT_TRUE(setupSession.OpenSession(0));
    EXPECT_EQ(setupSession.skipDeviceCheck, 0);
    EXPECT_EQ(line.traffic(), (Log{"write B2", "write 05", "drain", "read 11 got 11"}));
    EXPECT_TRUE(boxes.calls.empty());
}

}  // namespace
