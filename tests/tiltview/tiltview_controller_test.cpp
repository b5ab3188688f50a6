// Tiltview's dialog logic with a fake window on the scripted line.

#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/sensor_bus_responder.h"
#include "tests/support/temp_dir.h"
#include "tests/tiltview/fake_tiltview_view.h"
#include "tiltview/tiltview_controller.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Log = std::vector<std::string>;

class TiltControllerTest : public ::testing::Test {
protected:
    TiltControllerTest() {
        line.install();
        line.responder = [this](const std::string& w) { return w == "\x05" ? reply : std::string(); };
        controller.OnInitDialog(2);
        view.log.clear();
    }
    void start() {
        controller.StartPolling();
        ASSERT_NE(controller.timerId(), 0u) << ::testing::PrintToString(boxes.summary());
    }
    void expectOneErrorBox(const std::string& titleAndText) {
        ASSERT_EQ(boxes.summary(), Log{titleAndText});
        EXPECT_EQ(boxes.calls[0].owner, view.owner);
        EXPECT_EQ(boxes.calls[0].icon, platform::MsgIcon::Error);
        boxes.calls.clear();
    }

    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    FakeTiltviewView view;
    CTiltviewController controller{view};
    // A whole frame and more: the read of 16 bytes ends at once.
    std::string reply = testsupport::SensorBusResponder::frame(12.5) + "abcde";
};

TEST_F(TiltControllerTest, StartTakesPortAndAddressFromTheBoxesOnceAndStopUndoesIt) {
    // {port box selection, address text, port opened, entries selected}
    const std::vector<std::tuple<int, std::string, const char*, int, int>> cases{
        {-1, "178 (hB2) #01", "COM2", 1, 1}, {0, "300", "COM1", 0, 78}, {3, "", "COM4", 3, 0}};
    for (const auto& [selection, address, opened, portEntry, addressEntry] : cases) {
        SCOPED_TRACE(opened);
        view.portIndex = selection;
        view.address = address;
        start();
        start();  // pressed twice: reopened, one timer
        EXPECT_EQ(line.openedName, opened);
        EXPECT_EQ(view.portIndex, portEntry);
        EXPECT_EQ(view.addressIndex, addressEntry);
        EXPECT_EQ(line.timeouts, (platform::CommTimeouts{10, 2, 100, 0, 0})) << "configured";
        EXPECT_EQ(view.log, (Log{"start timer 101 10", "port box off", "address box off", "port box off",
                                 "address box off"}));
        view.log.clear();
        controller.StopPolling();
        EXPECT_EQ(view.log, (Log{"stop timer 101", "port box on", "address box on"}));
        EXPECT_FALSE(line.isOpen);
        view.log.clear();
    }
    EXPECT_EQ(view.timerStarts, 3);
    EXPECT_EQ(line.openCount, 6);
    controller.StopPolling();  // idle: only the boxes
    EXPECT_EQ(view.log, (Log{"port box on", "address box on"}));
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(TiltControllerTest, PortThatCannotBeOpenedGivesOneBoxAndNoTimer) {
    // A fake port held by another program or missing, and a real dangling link.
    for (const int fakeError : {EBUSY, ENOENT, 0}) {
        SCOPED_TRACE(fakeError);
        testsupport::TempDir dir;
        line.openError = fakeError;
        if (!fakeError) {
            platform::setSerialOpener({});
            ASSERT_EQ(symlink("/dev/kv275-unplugged-adapter", "COM1"), 0);
        }
        view.portIndex = 0;
        controller.StartPolling();
        expectOneErrorBox("Tiltview Error|Comport could not be opened.");
        EXPECT_FALSE(controller.port().IsOpen());
        EXPECT_TRUE(view.log.empty()) << "no timer, boxes untouched: " << ::testing::PrintToString(view.log);
        line.install();
    }
}

TEST_F(TiltControllerTest, RefusedTimerLeavesThePortOpenAndOnlyTheAddressBoxLocked) {
    view.timerFails = true;
    controller.StartPolling();
    expectOneErrorBox("Tiltview ERROR|Timer could not be installed.");
    EXPECT_TRUE(controller.port().IsOpen());
    EXPECT_EQ(view.log, (Log{"start timer 101 10", "address box off"}));
    view.timerFails = false;
    start();  // a timer can be had now: the port reopened, polling runs
    EXPECT_EQ(line.openCount, 2);
    EXPECT_FALSE(view.portEnabled);
}

TEST_F(TiltControllerTest, EachTickRedrawsAndASilentSensorKeepsAngleAndTextQuietly) {
    start();
    controller.OnTimer();
    EXPECT_EQ(view.angleText, "012.50°");
    EXPECT_EQ(view.dialAngle, 12.5);
    reply.clear();
    const int redraws = view.dialRedraws;
    controller.OnTimer();
    EXPECT_EQ(view.dialRedraws, redraws + 1);
    EXPECT_EQ(view.dialAngle, 12.5);
    EXPECT_EQ(view.angleText, "012.50°");
    EXPECT_NE(controller.timerId(), 0u);
    EXPECT_TRUE(boxes.calls.empty());
}

// Unplugged adapter or ended simulator: polling stops, then exactly one box,
// also when ticks run inside that box's message loop and after it, and also
// when the port cannot even be closed any more.
TEST_F(TiltControllerTest, DeviceGoneWhilePollingStopsThenShowsOneBox) {
    for (const bool closeFails : {false, true}) {
        SCOPED_TRACE(closeFails ? "every call fails" : "writes and reads fail");
        start();
        controller.OnTimer();
        line.vanished = closeFails;
        line.failAlways = {{"write", EIO}, {"read", EIO}};
        Log logWhenShown;
        boxes.whileShown = [&](const platform::MessageBoxCall&) {
            logWhenShown = view.log;
            controller.OnTimer();
        };
        view.log.clear();
        controller.OnTimer();
        controller.OnTimer();
        expectOneErrorBox("Tiltview Error|Comport connection lost.");
        EXPECT_EQ(logWhenShown, (Log{"stop timer 101", "port box on", "address box on"})) << "stopped first";
        EXPECT_EQ(controller.timerId(), 0u);
        EXPECT_EQ(controller.port().IsOpen(), closeFails);
        EXPECT_EQ(view.angleText, "012.50°");
        boxes.whileShown = nullptr;
        line.vanished = false;
        line.failAlways.clear();
        controller.StopPolling();
    }
}

TEST_F(TiltControllerTest, PortComesFromTheUsersChoiceAndTypingBringsItsEntryBack) {
    controller.OnPortChosen(2);
    EXPECT_EQ(controller.portNumber(), 3);
    view.portIndex = -1;
    controller.OnPortTyped();
    EXPECT_EQ(view.portIndex, 2);
    controller.OnPortChosen(-1);
    EXPECT_EQ(controller.portNumber(), 2) << "outside 1 to 8";
    view.address = "200";
    controller.OnAddressFocusLost();
    EXPECT_EQ(view.addressIndex, 23);
}

}  // namespace
