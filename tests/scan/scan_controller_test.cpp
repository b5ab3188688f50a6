// The scanner's logic on the fake serial line, with a recording view.
#include "scan/scan_controller.h"

#include "scan/scan_layout.h"
#include "sensorlink/sensor_session.h"
#include "tests/scan/fake_scan_view.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/sensor_bus_responder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Mode = CScanController::Mode;

const char* const kNoData = "COM Error|GetKV275degrees: no data received";

class ScanControllerTest : public ::testing::Test {
protected:
    ScanControllerTest() {
        line.install();
        bus.attach(line);
        session.messageLanguage = 2;  // as the application sets it
        for (int cell = 0; cell < scanlayout::kCellCount; ++cell) {
            const QRect r = scanlayout::labelPixels(cell);
            ctl.recordLabelEdges(cell, r.x(), r.y(), r.x() + r.width(), r.y() + r.height());
        }
        ctl.init();
    }

    int runScan() {
        int ticks = 0;
        while (ctl.mode() == Mode::Scanning && ticks < 200) {
            ctl.OnTimer();
            ++ticks;
        }
        return ticks;
    }
    void clickLabel(int cell) {
        const QPoint at = scanlayout::labelPixels(cell).center();
        ctl.OnLButtonDown(at.x(), at.y());
    }
    void startReading(std::initializer_list<int> cells) {
        for (int cell : cells) clickLabel(cell);
        ctl.OnStartReading();
        ASSERT_EQ(ctl.mode(), Mode::Reading);
        line.clearLog();
        bus.asked.clear();
    }
    int count(const std::string& entry) const { return int(std::count(line.log.begin(), line.log.end(), entry)); }

    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    testsupport::SensorBusResponder bus;
    ScanSettings settings;
    CSensorSession session{settings};
    FakeScanView view{line.log};
    CScanController ctl{settings, session, view};
};

TEST(ScanControllerTexts, AnglesAndLabels) {
    EXPECT_EQ(CScanController::formatAngle(7.5), " 007.50°");
    EXPECT_EQ(CScanController::formatAngle(0.0), " 000.00°");
    EXPECT_EQ(CScanController::formatAngle(999.99), " 999.99°");
    EXPECT_EQ(CScanController::formatAngle(123.456), " 123.46°");
    EXPECT_EQ(CScanController::labelText(0), " 178 / hB2");
    EXPECT_EQ(CScanController::labelText(77), " 255 / hFF");
    EXPECT_EQ(CScanController::scanCaption(Mode::Scanning), "Stop");
    EXPECT_EQ(CScanController::scanCaption(Mode::Reading), "Scan");
    EXPECT_EQ(CScanController::readCaption(Mode::Reading), "Stop reading");
    EXPECT_EQ(CScanController::readCaption(Mode::Scanning), "Start reading");
}

TEST_F(ScanControllerTest, ScanMarksExactlyTheAnsweringSensors) {
    bus.angles = {{180, 12.5}, {200, 7.5}};
    ctl.OnScan();
    EXPECT_EQ(ctl.mode(), Mode::Scanning);
    EXPECT_EQ(view.scanCaption, "Stop");
    EXPECT_TRUE(session.IsOpen());
    EXPECT_TRUE(view.timerRunning);
    EXPECT_EQ(settings.timerId, CScanController::kTimerId);
    EXPECT_EQ(settings.tickGuard, 1);
    EXPECT_TRUE(bus.asked.empty()) << "a scan opens without the device check";

    EXPECT_EQ(runScan(), 78);

    for (int cell = 0; cell < scanlayout::kCellCount; ++cell) {
        const bool found = cell == 2 || cell == 22;
        EXPECT_EQ(ctl.isSelected(cell), found) << cell;
        EXPECT_EQ(view.shades[cell], found ? LabelShade::Marked : LabelShade::ButtonFace) << cell;
        if (!found) {
            EXPECT_EQ(view.values[cell], "") << cell;
        }
    }
    EXPECT_EQ(view.values[2], " 012.50°");
    EXPECT_EQ(view.values[22], " 007.50°");
    std::vector<int> every(78);
    for (int i = 0; i < 78; ++i) every[i] = 178 + i;
    EXPECT_EQ(bus.asked, every);

    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_EQ(view.scanCaption, "Scan");
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(settings.timerId, 0);
    EXPECT_EQ(settings.tickGuard, 0);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(session.attempts, 3);
    EXPECT_EQ(session.messageLanguage, 2);
}

TEST_F(ScanControllerTest, ScanTickPaintsTheCellGreenBeforeAskingAndTriesASilentAddressTwice) {
    ctl.OnScan();
    line.clearLog();
    ctl.OnTimer();
    ASSERT_GE(line.log.size(), 3u);
    EXPECT_EQ(line.log[0], "view shade 0 scanning");
    EXPECT_EQ(line.log[1], "view repaint label 0");
    const auto request = std::find(line.log.begin(), line.log.end(), "write B2");
    ASSERT_NE(request, line.log.end());
    EXPECT_GT(request - line.log.begin(), 1);
    EXPECT_EQ(count("read 11 got 0"), 2);
    EXPECT_EQ(count("write 15"), 1) << "a NAK between the two reads, none after the last";
    EXPECT_EQ(line.log.back(), "view shade 0 face");
    EXPECT_EQ(ctl.scanPosition(), 1);
    EXPECT_EQ(settings.tickGuard, 1);
    EXPECT_TRUE(boxes.calls.empty()) << "a silent address is no error while scanning";
    EXPECT_EQ(session.attempts, 3);
    EXPECT_EQ(session.messageLanguage, 2);
}

TEST_F(ScanControllerTest, StoppingAScanKeepsTheMarksFoundSoFar) {
    bus.angles = {{178, 1.0}};
    ctl.OnScan();
    ctl.OnTimer();
    ctl.OnTimer();
    ctl.OnScan();
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_EQ(view.scanCaption, "Scan");
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(settings.tickGuard, 0);
    EXPECT_TRUE(ctl.isSelected(0));
    line.clearLog();
    ctl.OnTimer();  // a late tick after the stop
    EXPECT_TRUE(line.log.empty());
}

TEST_F(ScanControllerTest, ScanTakesThePortFromTheList) {
    view.selection = 3;
    ctl.OnScan();
    EXPECT_EQ(settings.ISPort, 4);
    EXPECT_EQ(line.openedName, "COM4");
    ctl.OnScan();
    view.selection = -1;  // nothing selected: the stored port stays
    ctl.OnScan();
    EXPECT_EQ(settings.ISPort, 4);
}

TEST_F(ScanControllerTest, FailedOpenForAScanStaysIdle) {
    line.openError = ENOENT;
    ctl.OnScan();
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(view.scanCaption, "Scan");
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].title, "Error");
    EXPECT_EQ(boxes.calls[0].text.rfind("CCom.Open", 0), 0u) << boxes.calls[0].text;
    EXPECT_EQ(boxes.summary()[1], "COM Error|COM Schnittstelle konnte nicht geöffnet werden.");
}

TEST_F(ScanControllerTest, StartReadingWithNothingMarkedDoesNothing) {
    ctl.OnStartReading();
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_EQ(line.openCount, 0);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(view.calls, 0) << "not even the caption is set";
    EXPECT_FALSE(view.timerRunning);
}

TEST_F(ScanControllerTest, ReadingChecksTheFirstMarkedSensorThenShowsEveryMarkedAngle) {
    bus.angles = {{182, 7.5}, {200, 123.45}, {220, 1.0}};
    clickLabel(22);
    clickLabel(4);
    EXPECT_EQ(view.shades[4], LabelShade::Marked);
    ctl.OnStartReading();
    EXPECT_EQ(settings.ISAddress, 5);
    EXPECT_EQ(bus.asked, std::vector<int>({182})) << "the device check asks the first marked cell";
    EXPECT_EQ(ctl.mode(), Mode::Reading);
    EXPECT_EQ(view.readCaption, "Stop reading");
    EXPECT_EQ(view.scanCaption, "Scan");
    EXPECT_TRUE(view.timerRunning);
    EXPECT_EQ(settings.tickGuard, 1);
    EXPECT_EQ(count("view value 50 ''"), 1) << "every value box is cleared";

    line.clearLog();
    bus.asked.clear();
    ctl.OnTimer();
    EXPECT_EQ(bus.asked, std::vector<int>({182, 200}));
    EXPECT_EQ(view.values[4], " 007.50°");
    EXPECT_EQ(view.values[22], " 123.45°");
    const auto shown = std::find(line.log.begin(), line.log.end(), "view value 4 ' 007.50°'");
    ASSERT_NE(shown, line.log.end());
    ASSERT_NE(shown + 1, line.log.end());
    EXPECT_EQ(*(shown + 1), "view repaint value 4");
    EXPECT_EQ(settings.tickGuard, 1);
    EXPECT_TRUE(boxes.calls.empty());

    // A cell marked while reading is read from the next tick on.
    clickLabel(42);
    ctl.OnTimer();
    EXPECT_EQ(view.values[42], " 001.00°");

    ctl.OnStartReading();
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_EQ(view.readCaption, "Start reading");
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(settings.tickGuard, 0);
    EXPECT_EQ(view.values[22], " 123.45°") << "the values stay after a stop";
}

TEST_F(ScanControllerTest, FailedDeviceCheckStaysIdle) {
    clickLabel(3);  // nobody at 181
    ctl.OnStartReading();
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(view.readCaption, "Start reading");
    EXPECT_EQ(boxes.summary(),
              std::vector<std::string>({kNoData,
                                        "Device/COM Error|Das Gerät funktioniert nicht wie erwartet.\n"
                                        "Überprüfen Sie bitte das Gerät und die Verbindung."}));
}

TEST_F(ScanControllerTest, ScanWhileReadingAndStartReadingWhileScanningDoNothing) {
    bus.angles = {{178, 1.0}};
    startReading({0});
    const int calls = view.calls;
    ctl.OnScan();
    EXPECT_EQ(ctl.mode(), Mode::Reading);
    EXPECT_EQ(view.calls, calls);
    EXPECT_TRUE(session.IsOpen());
    ctl.OnStartReading();  // stop
    ctl.OnScan();
    ASSERT_EQ(ctl.mode(), Mode::Scanning);
    const int opens = line.openCount;
    const int scanCalls = view.calls;
    ctl.OnStartReading();
    EXPECT_EQ(ctl.mode(), Mode::Scanning);
    EXPECT_EQ(view.calls, scanCalls);
    EXPECT_EQ(line.openCount, opens);
    EXPECT_EQ(view.readCaption, "Start reading");
}

TEST_F(ScanControllerTest, UnmarkingTheLastCellWhileReadingKeepsReading) {
    bus.angles = {{190, 45.0}};
    startReading({12});
    ctl.OnTimer();
    EXPECT_EQ(view.values[12], " 045.00°");
    clickLabel(12);
    EXPECT_FALSE(ctl.isSelected(12));
    EXPECT_EQ(view.values[12], "");
    EXPECT_EQ(view.shades[12], LabelShade::ButtonFace);
    line.clearLog();
    ctl.OnTimer();
    EXPECT_TRUE(line.traffic().empty());
    EXPECT_EQ(ctl.mode(), Mode::Reading);
    EXPECT_TRUE(view.timerRunning);
    EXPECT_TRUE(session.IsOpen());
    EXPECT_EQ(settings.tickGuard, 1);
}

TEST_F(ScanControllerTest, OnlyClicksStrictlyInsideALabelCount) {
    const QRect label = scanlayout::labelPixels(11);
    const QRect box = scanlayout::valueBoxPixels(11);
    const QRect below = scanlayout::valueBoxPixels(21);
    const QRect right = scanlayout::labelPixels(12);
    const QPoint misses[] = {
        box.center(),                                              // the value box
        {label.center().x(), (label.bottom() + below.top()) / 2 + 1},  // gap between rows
        {label.right() + 1, label.center().y()},                   // gap between columns
        {(label.right() + right.left()) / 2 + 1, label.center().y()},
        {label.left(), label.center().y()},                        // the edges themselves
        {label.x() + label.width(), label.center().y()},
        {label.center().x(), label.top()},
        {label.center().x(), label.y() + label.height()},
        scanlayout::labelPixels(78).center(),                      // the empty places
        scanlayout::labelPixels(79).center(),
        scanlayout::valueBoxPixels(79).center(),
        {2, 2},                                                    // above and left of the grid
        {-5, label.center().y()},
    };
    for (const QPoint& p : misses) ctl.OnLButtonDown(p.x(), p.y());
    EXPECT_EQ(view.calls, 0);
    for (int cell = 0; cell < scanlayout::kCellCount; ++cell) EXPECT_FALSE(ctl.isSelected(cell)) << cell;

    ctl.OnLButtonDown(label.left() + 1, label.top() + 1);
    EXPECT_TRUE(ctl.isSelected(11));
    EXPECT_EQ(view.shades[11], LabelShade::Marked);
    EXPECT_EQ(ctl.placeAt(label.right(), label.bottom()), 11);
    EXPECT_EQ(ctl.placeAt(scanlayout::labelPixels(79).center().x(), scanlayout::labelPixels(79).center().y()), 79);
}

// An adapter unplugged halfway through a scan: the addresses after it must
// not be reported as empty, and the scan must not run on through them.
TEST_F(ScanControllerTest, UnpluggedAdapterEndsTheScanAtOnceWithOneBox) {
    bus.angles = {{180, 12.5}, {220, 7.5}};
    ctl.OnScan();
    for (int tick = 0; tick < 10; ++tick) ctl.OnTimer();
    // Gone as a pseudo-terminal goes: traffic fails, closing still works.
    for (const char* op : {"write", "read", "purge", "drain"}) line.failAlways[op] = EIO;
    const size_t askedBefore = bus.asked.size();
    ctl.OnTimer();
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_EQ(view.scanCaption, "Scan");
    EXPECT_FALSE(view.timerRunning);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(settings.tickGuard, 0);
    EXPECT_EQ(boxes.summary(), std::vector<std::string>{"Error|CCom.Write:Input/output error"});
    EXPECT_TRUE(ctl.isSelected(2)) << "what was found before stays marked";
    EXPECT_EQ(bus.asked.size(), askedBefore);
    // Ticks that were already queued find the scan over.
    ctl.OnTimer();
    EXPECT_EQ(bus.asked.size(), askedBefore);
}

TEST_F(ScanControllerTest, FirstFailingSensorEndsReadingAfterOneBox) {
    bus.angles = {{178, 10.0}, {179, 20.0}};
    startReading({0, 1});
    ctl.OnTimer();
    bus.angles.erase(179);
    ctl.OnTimer();
    EXPECT_EQ(boxes.summary(), std::vector<std::string>({kNoData}));
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_EQ(view.readCaption, "Start reading");
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(settings.timerId, 0);
    EXPECT_EQ(settings.tickGuard, 0);
    EXPECT_EQ(view.values[0], " 010.00°");
    EXPECT_EQ(view.values[1], " 020.00°") << "the last value stays shown";
    EXPECT_TRUE(ctl.isSelected(1)) << "marks survive";
}

TEST_F(ScanControllerTest, ATickInsideAFailureBoxReturnsAtOnce) {
    bus.angles = {{178, 10.0}};
    startReading({0});
    bus.angles.clear();
    int nested = 0;
    boxes.whileShown = [&](const platform::MessageBoxCall&) {
        const size_t before = line.log.size();
        EXPECT_EQ(settings.tickGuard, 2);
        ctl.OnTimer();
        ctl.OnTimer();
        EXPECT_EQ(line.log.size(), before) << "the nested tick must not query";
        EXPECT_EQ(settings.tickGuard, 2);
        ++nested;
    };
    ctl.OnTimer();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(boxes.calls.size(), 1u);
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_EQ(settings.tickGuard, 0);
}

TEST_F(ScanControllerTest, StopPressedInsideAFailureBoxDoesNotStartReadingAgain) {
    bus.angles = {{178, 10.0}};
    startReading({0});
    bus.angles.clear();
    boxes.whileShown = [&](const platform::MessageBoxCall&) {
        if (ctl.mode() == Mode::Reading) ctl.OnStartReading();  // "Stop reading" in the nested loop
    };
    const int opens = line.openCount;
    ctl.OnTimer();
    EXPECT_EQ(ctl.mode(), Mode::Idle);
    EXPECT_EQ(line.openCount, opens) << "no new open after the stop";
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(settings.tickGuard, 0);
    EXPECT_EQ(view.readCaption, "Start reading");
    EXPECT_EQ(boxes.summary(), std::vector<std::string>({kNoData}));
}

TEST_F(ScanControllerTest, RestartInsideAFailureBoxLeavesTheNewRunIntact) {
    bus.angles = {{178, 10.0}, {179, 5.0}};
    startReading({0, 1});
    bus.angles.erase(178);
    boxes.whileShown = [&](const platform::MessageBoxCall&) {
        if (ctl.mode() != Mode::Reading) return;
        bus.angles[178] = 11.0;
        ctl.OnStartReading();  // stop
        ctl.OnStartReading();  // and start again, all inside the box
    };
    ctl.OnTimer();
    EXPECT_EQ(ctl.mode(), Mode::Reading);
    EXPECT_TRUE(session.IsOpen());
    EXPECT_TRUE(view.timerRunning);
    EXPECT_EQ(settings.tickGuard, 1) << "the new run's guard is untouched by the old tick";
    boxes.whileShown = nullptr;
    ctl.OnTimer();
    EXPECT_EQ(view.values[0], " 011.00°");
    EXPECT_EQ(view.values[1], " 005.00°");
}

TEST_F(ScanControllerTest, CloseBoxCleansUp) {
    bus.angles = {{178, 10.0}};
    startReading({0});
    view.selection = 2;
    ctl.OnClose();
    EXPECT_EQ(settings.ISPort, 3);
    EXPECT_TRUE(view.cellsDestroyed);
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(settings.timerId, 0);
}

TEST_F(ScanControllerTest, CloseInsideAFailureBoxEndsTheTick) {
    bus.angles = {{178, 10.0}, {179, 20.0}};
    startReading({0, 1});
    bus.angles.erase(178);
    boxes.whileShown = [&](const platform::MessageBoxCall&) { ctl.OnClose(); };
    ctl.OnTimer();
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(bus.asked, std::vector<int>({178})) << "nothing is asked after the close";
    EXPECT_EQ(boxes.calls.size(), 1u);
}

}  // namespace
