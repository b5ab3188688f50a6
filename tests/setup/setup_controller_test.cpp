// The setup dialog's logic on the scripted line, with a recording view: what
// typed input is taken, the read and the write sequences with their captions,
// and how each ends when the port, the sensor or a transfer fails.

#include "setup/setup_controller.h"

#include "platform/system_error.h"
#include "sensorlink/sensor_session.h"
#include "setup/setup_settings.h"
#include "tests/setup/fake_setup_view.h"
#include "tests/setup/fake_variable_sensor.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

const char* const kNoData = "COM Error|GetKV275degrees:no data received.";
const char* const kDevice =
    "Device/COM Error|The device does not work as expected.\nPlease check the device and the connection.";
const char* const kOpenFailed = "COM Error|Serial port could not be opened.";
const char* const kReadFailed = "COM Error|ReadVariables:the variables could not be transmitted.";
const char* const kWriteFailed = "COM Error|WriteVariable:the variable could not be transmitted.";

class SetupControllerTest : public ::testing::Test {
protected:
    SetupControllerTest() {
        line.install();
        sensor.attach(line);
        sensor.variables[24] = 3;
        sensor.variables[25] = 1;
        sensor.variables[26] = 100;
        sensor.variables[63] = 178;
        sensor.variables[64] = 200;
        sensor.variables[200] = -12;
        ctl.OnInitDialog();
    }
    // A value typed into a field, then the focus moved on.
    void typeInto(std::string& field, const std::string& text) {
        field = text;
        ctl.OnKillFocusValue();
    }
    Texts captions() const {
        Texts out;
        for (const std::string& e : line.log)
            if (e.find("caption") != std::string::npos) out.push_back(e);
        return out;
    }
    int frames() const { return int(std::count(line.log.begin(), line.log.end(), "write 24")); }

    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    FakeVariableSensor sensor;
    SetupSettings settings;
    CSensorSession session{settings, SessionForm::Setup};
    FakeSetupView view{line.log};
    CSetupController ctl{settings, session, view};
};

TEST_F(SetupControllerTest, OpensWithTheDefaultsShownAndValid) {
    EXPECT_EQ(view.port, 0);
    EXPECT_EQ(view.currentAddress, "177 (hB1) -all-");
    EXPECT_EQ(view.filter, 0);
    EXPECT_EQ(view.order, 2);
    EXPECT_EQ(view.cutoff, "50 (0.5 Hz)");
    EXPECT_EQ(view.newAddress, "178 (hB2) #01");
    EXPECT_EQ(view.delay, "500");
    EXPECT_EQ(view.writeCaption, "<- write variables");
    EXPECT_TRUE(ctl.inputValid());
}

// What a field shows once the focus has left it: the accepted value in its
// display form, or the earlier value when the typed one is out of range.
TEST_F(SetupControllerTest, TypedValuesAreTakenOnlyWithinTheirFieldsRange) {
    struct Case {
        const char* name;
        std::string FakeSetupView::*field;
        const char* typed;
        const char* shown;
    };
    const std::vector<Case> cases{
        {"typed address in display form", &FakeSetupView::newAddress, "200", "200 (hC8) #23"},
        {"address beyond the bus", &FakeSetupView::newAddress, "300", "200 (hC8) #23"},
        {"address below the bus", &FakeSetupView::newAddress, "176", "200 (hC8) #23"},
        {"address 0", &FakeSetupView::newAddress, "0", "200 (hC8) #23"},
        {"the broadcast label", &FakeSetupView::newAddress, "-all-", "200 (hC8) #23"},
        {"letters", &FakeSetupView::newAddress, "abc", "200 (hC8) #23"},
        {"huge: 2^32 + 178 must not wrap to 178", &FakeSetupView::newAddress, "4294967474", "200 (hC8) #23"},
        {"emptied", &FakeSetupView::newAddress, "", "200 (hC8) #23"},
        {"177 is taken as the label allows", &FakeSetupView::newAddress, "177", "177 (hB1) #00"},
        {"current address", &FakeSetupView::currentAddress, "200", "200 (hC8) #23"},
        {"current address 300", &FakeSetupView::currentAddress, "300", "200 (hC8) #23"},
        {"current address emptied", &FakeSetupView::currentAddress, "", "200 (hC8) #23"},
        {"cut-off 0", &FakeSetupView::cutoff, "0", "50 (0.5 Hz)"},
        {"cut-off 40000", &FakeSetupView::cutoff, "40000", "50 (0.5 Hz)"},
        {"cut-off letters", &FakeSetupView::cutoff, "x", "50 (0.5 Hz)"},
        {"cut-off emptied", &FakeSetupView::cutoff, "", "50 (0.5 Hz)"},
        {"cut-off from the list", &FakeSetupView::cutoff, "10   (0.1 Hz)", "10 (0.1 Hz)"},
        {"cut-off 1.0 Hz shown as 1 Hz", &FakeSetupView::cutoff, "100 (1.0 Hz)", "100 (1 Hz)"},
        {"delay -1", &FakeSetupView::delay, "-1", "500"},
        {"delay 40000", &FakeSetupView::delay, "40000", "500"},
        {"delay 2^32 must not wrap to 0", &FakeSetupView::delay, "4294967296", "500"},
        {"delay letters read as 0, which it takes", &FakeSetupView::delay, "abc", "0"},
    };
    for (const Case& c : cases) {
        typeInto(view.*c.field, c.typed);
        EXPECT_EQ(view.*c.field, c.shown) << c.name;
        EXPECT_EQ(view.writeCaption, "<- write variables") << c.name;
    }
    EXPECT_EQ(settings.ISAddress, 200 - 177);
}

TEST_F(SetupControllerTest, ReadShowsTheSensorsValuesAndClosesThePortAgain) {
    typeInto(view.currentAddress, "178");
    line.clearLog();
    ctl.OnReadVariables();
    EXPECT_EQ(captions(), (Texts{"write caption '<- write variables'", "read caption '|> read variables'",
                                 "read caption '>> read variables'", "read caption '-> read variables'",
                                 "write caption '<- write variables'"}));
    EXPECT_EQ(view.filter, 2);
    EXPECT_EQ(view.order, 1);
    EXPECT_EQ(view.cutoff, "100 (1 Hz)");
    EXPECT_EQ(view.delay, "200");
    EXPECT_EQ(ctl.variables()[200], -12);
    EXPECT_FALSE(line.isOpen);
    EXPECT_TRUE(boxes.calls.empty());
    // The device check comes before the read, at the chosen address, with
    // one attempt and no NAK.
    const auto enq = std::find(line.log.begin(), line.log.end(), "write 05");
    const auto dc1 = std::find(line.log.begin(), line.log.end(), "write 11");
    EXPECT_LT(enq, dc1);
    EXPECT_EQ(std::count(line.log.begin(), line.log.end(), "write 15"), 0);
}

TEST_F(SetupControllerTest, ValuesTheListsCannotShowLeaveThemEmptyAndWritingNeedsAChoice) {
    sensor.variables[24] = 0;
    sensor.variables[26] = 0;
    sensor.variables[64] = 40000;
    ctl.OnReadVariables();
    EXPECT_EQ(view.filter, -1);
    EXPECT_EQ(view.cutoff, "0 (0 Hz)");
    EXPECT_EQ(view.delay, "40000");
    EXPECT_EQ(view.writeCaption, "<- write variables (input not valid)");
    sensor.written.clear();
    ctl.OnWriteVariables();
    EXPECT_TRUE(sensor.written.empty()) << "nothing is written without a filter type";
    EXPECT_EQ(view.writeCaption, "<- write variables (input not valid)");

    // Once a filter is chosen, values the fields did not accept go back unchanged.
    view.filter = 1;
    settings.ShowAddressQuestion = 0;
    ctl.OnWriteVariables();
    EXPECT_EQ(sensor.written, (Texts{"V024=2", "V025=1", "V026=0", "V064=40000", "V063=178"}));
    EXPECT_EQ(view.writeCaption, "<- write variables");
}

TEST_F(SetupControllerTest, FailedReadSaysWhyAndKeepsTheTableAsItWas) {
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        Texts boxes;
    };
    const std::vector<Case> cases{
        {"no port", [&] { line.openError = ENOENT; },
         {"Error|CCom.Open:" + platform::systemErrorText(ENOENT), kOpenFailed}},
        {"port held by another program", [&] { line.openError = EBUSY; },
         {"Error|CCom.Open:" + platform::systemErrorText(EBUSY), kOpenFailed}},
        {"silent sensor", [&] { sensor.silent = true; }, {kNoData, kDevice}},
        {"garbled angle at the check", [&] { sensor.garbledAngle = true; }, {kNoData, kDevice}},
        {"adapter gone in the middle of the read", [&] {
             // The check passes; the 1541 bytes never come, the line fails.
             const auto answer = line.responder;
             line.responder = [&, answer](const std::string& bytes) {
                 if (bytes == "\x11") line.failAlways["read"] = EIO;
                 return answer(bytes);
             };
         },
         {kReadFailed}},
        {"reply short by one byte", [&] { sensor.readFault = FakeVariableSensor::ReadFault::ShortByOne; },
         {kReadFailed}},
        {"zero byte in the reply", [&] { sensor.readFault = FakeVariableSensor::ReadFault::ZeroInside; },
         {kReadFailed}},
        {"bad checksum", [&] { sensor.readFault = FakeVariableSensor::ReadFault::BadChecksum; }, {kReadFailed}},
        {"the reply never comes", [&] { sensor.readFault = FakeVariableSensor::ReadFault::Silent; }, {kReadFailed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.breakIt();
        const uint32_t before = clock.now();
        ctl.OnReadVariables();
        EXPECT_EQ(boxes.summary(), c.boxes);
        EXPECT_EQ(view.readCaption, "-> read variables (error)");
        EXPECT_EQ(view.filter, 0) << "the table keeps its values";
        EXPECT_EQ(view.cutoff, "50 (0.5 Hz)");
        EXPECT_FALSE(line.isOpen);
        EXPECT_FALSE(settings.portInUse[0]);
        EXPECT_LT(clock.now() - before, 11500u) << "no read waits beyond its time-out";
        EXPECT_EQ(std::count(line.log.begin(), line.log.end(), "write 15"), 0) << "the setup form never NAKs";
        line.openError = 0;
        line.failAlways.clear();
        sensor.attach(line);
        sensor.silent = sensor.garbledAngle = false;
        sensor.readFault = FakeVariableSensor::ReadFault::None;
        boxes.calls.clear();
    }
}

TEST_F(SetupControllerTest, WriteSendsTheFiveVariablesWithTheAddressLastEachAfterAPause) {
    typeInto(view.currentAddress, "178");
    typeInto(view.cutoff, "10");
    typeInto(view.newAddress, "190");
    view.filter = 3;
    std::vector<uint32_t> frameStarts;
    const auto answer = line.responder;
    line.responder = [&](const std::string& bytes) {
        if (bytes == "\x12") frameStarts.push_back(clock.now());
        return answer(bytes);
    };
    line.clearLog();
    ctl.OnWriteVariables();
    EXPECT_EQ(sensor.written, (Texts{"V024=4", "V025=2", "V026=10", "V064=500", "V063=190"}));
    EXPECT_EQ(sensor.address, 190);
    EXPECT_EQ(captions(), (Texts{"write caption '<- write variables'", "write caption '<| write variables'",
                                 "write caption '<- write variables'", "write caption '<< write variables'",
                                 "write caption '<- write variables'"}));
    ASSERT_EQ(frameStarts.size(), 5u);
    for (size_t i = 1; i < frameStarts.size(); ++i) EXPECT_GE(frameStarts[i] - frameStarts[i - 1], 20u);
    EXPECT_EQ(view.currentAddress, "178 (hB2) #01") << "a write changes nothing in the dialog but its caption";
    EXPECT_FALSE(line.isOpen);
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(SetupControllerTest, FirstFailedWriteEndsTheSequenceAndWhatWasWrittenStays) {
    struct Case {
        const char* name;
        std::function<void()> breakIt;
    };
    const std::vector<Case> cases{
        {"NAKed three times", [&] { sensor.naksBefore[26] = 3; }},
        {"unanswered three times", [&] { sensor.unansweredBefore[26] = 3; }},
        {"adapter gone after the second variable", [&] {
             const auto answer = line.responder;
             line.responder = [&, answer](const std::string& bytes) {
                 std::string reply = answer(bytes);
                 if (sensor.written.size() == 2)
                     for (const char* op : {"write", "read", "purge", "drain"}) line.failAlways[op] = EIO;
                 return reply;
             };
         }},
    };
    typeInto(view.currentAddress, "178");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sensor.naksBefore[24] = 1;  // repeated with the same bytes, then taken
        c.breakIt();
        ctl.OnWriteVariables();
        EXPECT_EQ(sensor.written, (Texts{"V024=1", "V025=2"}));
        EXPECT_EQ(boxes.summary(), Texts{kWriteFailed});
        EXPECT_EQ(view.writeCaption, "<- write variables (error)");
        EXPECT_FALSE(line.isOpen);
        EXPECT_FALSE(settings.portInUse[0]);
        sensor.written.clear();
        sensor.naksBefore.clear();
        sensor.unansweredBefore.clear();
        line.failAlways.clear();
        sensor.attach(line);
        boxes.calls.clear();
    }
}

// A line setting the port refuses (BaudRate=12345 in the file): its box, and
// the transfer still ends, under the read limit every port starts with.
TEST_F(SetupControllerTest, RefusedLineSettingsAreShownAndTheReadStillEnds) {
    line.failNext["setState"] = EINVAL;
    ctl.OnReadVariables();
    EXPECT_EQ(boxes.summary(), Texts{"Error|CCom.SetDCB:" + platform::systemErrorText(EINVAL)});
    EXPECT_EQ(view.readCaption, "-> read variables");
}

TEST_F(SetupControllerTest, BroadcastWriteAsksFirstUnlessSwitchedOff) {
    const std::string question =
        "Protocol warning|Address 178 (hB2) will be written to ALL SENSORS\r\non the bus. Do you want to continue?";
    boxes.answers = {platform::MsgResult::No};
    ctl.OnWriteVariables();
    EXPECT_EQ(boxes.summary(), Texts{question});
    EXPECT_EQ(boxes.calls[0].owner, view.owner);
    EXPECT_EQ(boxes.calls[0].icon, platform::MsgIcon::Question);
    EXPECT_EQ(boxes.calls[0].buttons, platform::MsgButtons::YesNo);
    EXPECT_EQ(line.openCount, 0) << "No writes nothing";
    EXPECT_EQ(view.writeCaption, "<- write variables");

    // Confirming a broadcast of invalid input still writes nothing.
    boxes.calls.clear();
    view.delay.clear();
    ctl.OnWriteVariables();
    EXPECT_EQ(boxes.summary(), Texts{question});
    EXPECT_EQ(line.openCount, 0);
    EXPECT_EQ(view.writeCaption, "<- write variables (input not valid)");

    boxes.calls.clear();
    view.delay = "500";
    settings.ShowAddressQuestion = 0;
    ctl.OnWriteVariables();
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(sensor.written.size(), 5u) << "the one sensor on the bus took all five through 177";
}

TEST_F(SetupControllerTest, QuitTakesThePortChosenOrNoneAsZero) {
    view.port = 2;
    ctl.OnOK();
    EXPECT_EQ(settings.ISPort, 3);
    view.port = -1;
    ctl.OnOK();
    EXPECT_EQ(settings.ISPort, 0);
    // A port of 0 fails at the open, with the platform's words.
    ctl.OnReadVariables();
    EXPECT_EQ(boxes.summary(), (Texts{"Error|CCom.Open:" + platform::systemErrorText(ENODEV), kOpenFailed}));
    EXPECT_EQ(view.readCaption, "-> read variables (error)");
}

}  // namespace
