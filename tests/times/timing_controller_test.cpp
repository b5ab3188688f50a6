// The timing dialog's logic on the scripted line, with a recording view: the
// grid and its addresses, the run, the scan, and how each ends when the port
// or the adapter fails.

#include "times/timing_controller.h"

#include "platform/system_error.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/sensor_bus_responder.h"
#include "tests/times/fake_timing_view.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

const char* const kOpenFailed = "COM Error|COM Schnittstelle konnte nicht geöffnet werden.";
const char* const kAddressZero = "Configuration Error|Address 0 must not be used with two or more sensors.";

class TimingControllerTest : public ::testing::Test {
protected:
    TimingControllerTest() {
        line.install();
        bus.attach(line);
    }

    // Lays out a grid as the user would: the boxes' texts, then "<- Apply".
    void grid(const std::string& rows, const std::string& columns) {
        view.rows = rows;
        view.columns = columns;
        ctl.ApplyLayout();
    }
    // Types into address fields (a key press marks the grid dirty).
    void type(std::initializer_list<std::pair<int, const char*>> fields) {
        for (const auto& [cell, text] : fields) view.cells.at(cell).addressText = text;
        ctl.OnKey();
    }
    // A grid with addresses typed into it, not yet read back.
    void configure(const std::string& rows, const std::string& columns,
                   std::initializer_list<std::pair<int, const char*>> fields) {
        grid(rows, columns);
        type(fields);
    }
    void start() {
        ctl.StartStop();
        ASSERT_TRUE(ctl.running());
        line.clearLog();
        bus.asked.clear();
    }
    int count(const std::string& entry) const { return int(std::count(line.log.begin(), line.log.end(), entry)); }
    std::vector<int> list() const {
        return std::vector<int>(settings.addresses.begin(), settings.addresses.begin() + settings.addressCount);
    }

    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    testsupport::SensorBusResponder bus;
    TimingSettings settings;
    CTimingSession session{settings};
    FakeTimingView view{line.log};
    CTimingController ctl{settings, session, view};
};

TEST_F(TimingControllerTest, GridFollowsTheBoxesWithinSeventyEightCellsAndRemovesWhatItNoLongerNeeds) {
    ctl.OnInitDialog();  // a first start: rows 0, columns 0
    EXPECT_TRUE(view.cells.empty());
    EXPECT_TRUE(view.labelRects.empty());
    EXPECT_EQ(view.client, QSize(581, 79)) << "the template's width; the header's height and a frame allowance";
    EXPECT_EQ(view.rows, "0");

    grid("10", "12");
    EXPECT_EQ(view.rows, "7");
    EXPECT_EQ(view.columns, "12");
    EXPECT_EQ(view.cells.size(), 78u);
    EXPECT_EQ(view.labelRects.size(), 7u);
    EXPECT_EQ(view.cells.at(77).value, timinglayout::ValueField(6, 5, 2, 2)) << "the last row holds 6 cells";
    EXPECT_EQ(settings.rows, 7);

    grid("2", "2");
    EXPECT_EQ(view.cells.size(), 4u);
    EXPECT_EQ(view.labelRects.size(), 2u);
    EXPECT_EQ(view.cells.at(3).value, timinglayout::ValueField(1, 1, 2, 2)) << "kept cells move to their new place";

    struct Typed {
        const char *rows, *columns, *shownRows, *shownColumns;
        size_t cells;
    };
    for (const Typed& t : {Typed{"abc", "3", "0", "3", 0}, Typed{"-3", "-3", "0", "0", 0},
                           Typed{"12abc", "2", "12", "2", 24}, Typed{"99999999999999999999", "0", "78", "0", 0},
                           Typed{"3", "99999999999999999999", "1", "78", 78}}) {
        grid(t.rows, t.columns);
        EXPECT_EQ(view.rows, t.shownRows) << t.rows;
        EXPECT_EQ(view.columns, t.shownColumns) << t.columns;
        EXPECT_EQ(view.cells.size(), t.cells) << t.rows << " x " << t.columns;
    }
}

TEST_F(TimingControllerTest, ReadBackTakesWhatTheCellsShowInTheChosenFormat) {
    struct Case {
        int format;
        Texts shown;
    };
    for (const Case& c : {Case{0, {"0", "78", "", "78", "1"}}, Case{1, {"177", "255", "", "255", "178"}},
                          Case{2, {"B1", "FF", "", "FF", "B2"}}}) {
        ctl.OnFormatChosen(c.format);
        grid("1", "5");
        type({{0, "B1"}, {1, "255"}, {2, "x"}, {3, "100"}, {4, "1a"}});
        ctl.ReadBackAddresses();
        EXPECT_EQ(view.addressTexts(5), c.shown) << "format " << c.format << ": each rewritten in place";
        EXPECT_EQ(list(), (std::vector<int>{0, 78, 78, 1}));
        EXPECT_EQ(ctl.cellOfSensor(2), 3) << "the invalid field takes no entry";
        ctl.ApplyLayout();
        EXPECT_EQ(view.addressTexts(5), (Texts{c.shown[0], c.shown[1], c.shown[3], c.shown[4], ""}))
            << "a new layout closes the gaps";
    }
    // "<- Apply" by mouse alone reads nothing back: the list keeps its entries.
    view.cells.at(0).addressText = "5";
    ctl.ApplyLayout();
    EXPECT_EQ(list(), (std::vector<int>{0, 78, 78, 1}));
    EXPECT_EQ(view.cells.at(0).addressText, "B1");
    EXPECT_TRUE(boxes.calls.empty()) << "address 0 with others is only refused for a run";
}

TEST_F(TimingControllerTest, FileEntriesBeyondTheGridOrOutsideTheBusAreNeverAsked) {
    settings.addressCount = 5;
    for (int i = 0; i < 5; ++i) settings.addresses[i] = i + 1;
    settings.addresses[1] = -1;  // hand-edited
    bus.angles = {{178, 1.0}, {179, 2.0}, {180, 3.0}, {181, 4.0}, {182, 5.0}};
    grid("1", "3");
    EXPECT_EQ(view.addressTexts(3), (Texts{"1", "", "3"}));
    EXPECT_EQ(ctl.cellOfSensor(3), -1);
    ctl.StartStop();
    ASSERT_TRUE(ctl.running());
    ctl.OnTimer();
    EXPECT_EQ(bus.asked, (std::vector<int>{178, 180}));
    EXPECT_EQ(view.statistics, "Err:0 Read:2 NAK:0");
    ctl.StartStop();
    // The next read back drops what names no sensor.
    ctl.OnKey();
    ctl.ApplyLayout();
    EXPECT_EQ(list(), (std::vector<int>{1, 3}));
}

TEST_F(TimingControllerTest, SweepAsksEachSensorInListOrderHighlightingItsAddressMeanwhile) {
    bus.angles = {{180, 45.2}, {184, 7.0}};
    configure("2", "2", {{0, "3"}, {3, "7"}});
    start();
    ctl.OnTimer();
    auto at = [&](const std::string& entry) {
        return std::find(line.log.begin(), line.log.end(), entry) - line.log.begin();
    };
    EXPECT_LT(at("view stop timer 101"), at("view highlight 0 on"));
    EXPECT_LT(at("view highlight 0 on"), at("write B4"));
    EXPECT_LT(at("write B4"), at("view highlight 0 off"));
    EXPECT_LT(at("view highlight 0 off"), at("view highlight 3 on"));
    EXPECT_LT(at("view highlight 3 on"), at("write B8"));
    EXPECT_LT(at("view highlight 3 off"), at("view start timer 101 10"));
    EXPECT_EQ(view.cells.at(0).valueText, "001/045°");
    EXPECT_EQ(view.cells.at(3).valueText, "001/007°");
    EXPECT_EQ(view.statistics, "Err:0 Read:2 NAK:0");
    EXPECT_EQ(view.timerId, CTimingController::kTimerId);
    EXPECT_EQ(session.messageLanguage, 1);
    EXPECT_EQ(session.attempts, 3);
}

TEST_F(TimingControllerTest, SilentAndRepeatedRepliesAreCountedAndTheStopShowsMeansAndNaks) {
    bus.angles = {{178, 10.0}, {179, 20.0}, {180, 30.0}};
    bus.silent = {179};
    bus.badRepliesBefore = {{180, 1}};
    configure("1", "3", {{0, "1"}, {1, "2"}, {2, "3"}});
    start();
    ctl.OnTimer();
    EXPECT_EQ(view.valueTexts(3), (Texts{"001/010°", "", "002/030°"})) << "a bad then good reply sums both reads";
    EXPECT_EQ(view.statistics, "Err:1 Read:3 NAK:4");
    EXPECT_EQ(ctl.nakSum(1), 3);
    EXPECT_GE(ctl.timeSum(1), 3u * 201u) << "three reads of the run's 201 ms time-out";
    ctl.OnTimer();
    ctl.StartStop();
    EXPECT_FALSE(ctl.running());
    EXPECT_EQ(view.cells.at(0).valueText, "001/0");
    EXPECT_EQ(view.cells.at(1).valueText, CTimingController::stopText(ctl.timeSum(1) / 2.0, 6));
    EXPECT_EQ(view.cells.at(2).valueText, "002/1") << "(2 + 1) / 2 ms, one NAK in two sweeps";
    EXPECT_EQ(view.firstLabels.at(0), "Time/NAKs:");
    EXPECT_TRUE(boxes.calls.empty()) << "a run's failed query shows nothing";
}

TEST_F(TimingControllerTest, ShortReplyIsRepeatedAfterANakLikeAGarbledOne) {
    bus.angles = {{178, 10.0}};
    const auto sensor = line.responder;
    bool cut = true;
    line.responder = [&](const std::string& written) {
        std::string reply = sensor(written);
        if (cut && !reply.empty()) {
            cut = false;
            return reply.substr(0, 7);  // the rest lost on the line
        }
        return reply;
    };
    configure("1", "1", {{0, "1"}});
    start();
    ctl.OnTimer();
    EXPECT_EQ(view.statistics, "Err:0 Read:1 NAK:1");
    EXPECT_EQ(view.cells.at(0).valueText.substr(3), "/010°");
}

// A partial write shows a box whose event loop lets the user stop the run
// there, or stop and start it again. The interrupted sweep then belongs to
// no run: it must ask no further sensor and count nothing, neither into the
// stopped run's figures nor into the new run's.
TEST_F(TimingControllerTest, StopPressedInsideABoxDuringASweepLeavesTheFiguresAndAsksNoFurtherSensor) {
    struct Case {
        const char* name;
        bool startAgain;
        Texts values;  // the stop's figures, or the new run's empty fields
        int timer;
    };
    for (const Case& c : {Case{"stop", false, {"001/0", "001/0", "001/0"}, 0},
                          Case{"stop, then start", true, {"", "", ""}, CTimingController::kTimerId}}) {
        SCOPED_TRACE(c.name);
        bus.angles = {{178, 1.0}, {179, 2.0}, {180, 3.0}};
        configure("1", "3", {{0, "1"}, {1, "2"}, {2, "3"}});
        start();
        ctl.OnTimer();
        ASSERT_EQ(view.statistics, "Err:0 Read:3 NAK:0");
        boxes.calls.clear();
        line.writeLimit = 0;  // the next write sends nothing and says so
        boxes.whileShown = [&](const platform::MessageBoxCall&) {
            if (!ctl.running()) return;
            line.writeLimit = UINT32_MAX;
            ctl.StartStop();
            if (c.startAgain) ctl.StartStop();
            ASSERT_EQ(ctl.running(), c.startAgain);
            line.clearLog();
        };
        ctl.OnTimer();
        EXPECT_EQ(boxes.summary(), Texts{"COM Message|Data was only partially send."});
        for (const char* asked : {"write B3", "write B4", "view highlight 1 on", "view highlight 2 on"})
            EXPECT_EQ(count(asked), 0) << asked;
        EXPECT_EQ(count("view start timer 101 10"), 0) << "the sweep restarts no timer after the stop";
        EXPECT_EQ(view.timerId, c.timer);
        EXPECT_EQ(view.statistics, "Err:0 Read:3 NAK:0");
        EXPECT_EQ(view.valueTexts(3), c.values);
        EXPECT_FALSE(view.cells.at(0).highlighted);
        for (int cell = 0; cell < 3 && c.startAgain; ++cell) {
            EXPECT_EQ(ctl.timeSum(cell), 0u) << cell;
            EXPECT_EQ(ctl.nakSum(cell), 0) << cell;
        }
        boxes.whileShown = nullptr;
        if (ctl.running()) ctl.StartStop();
    }
}

TEST_F(TimingControllerTest, StopBeforeTheFirstSweepLeavesTheFieldsInsteadOfDividingByZero) {
    bus.angles = {{178, 10.0}};
    configure("1", "1", {{0, "1"}});
    start();
    ctl.StartStop();
    EXPECT_EQ(view.cells.at(0).valueText, "");
}

TEST_F(TimingControllerTest, RunLocksThePortTheGridSizeAndTheAddressesUntilItStops) {
    bus.angles = {{178, 10.0}};
    configure("1", "2", {{0, "1"}});
    start();
    EXPECT_EQ(view.startCaption, "Stop");
    EXPECT_FALSE(view.runBoxesEnabled);
    EXPECT_FALSE(view.cells.at(0).enabled);
    EXPECT_FALSE(view.cells.at(1).enabled);
    EXPECT_EQ(view.firstLabels.at(0), "Time/Degrees:");
    grid("2", "2");  // "<- Apply" stays usable, but the grid stays
    EXPECT_EQ(view.rows + "x" + view.columns + " " + std::to_string(view.cells.size()), "1x2 2");
    ctl.StartStop();
    EXPECT_EQ(view.startCaption, "Start");
    EXPECT_TRUE(view.runBoxesEnabled);
    for (const auto& [cell, c] : view.cells) EXPECT_TRUE(c.enabled) << cell;
    EXPECT_FALSE(line.isOpen);
    EXPECT_EQ(view.timerId, 0);
    EXPECT_EQ(settings.timerId, 0);
}

TEST_F(TimingControllerTest, RunThatCannotStartSaysWhyOnceAndLeavesThePortFree) {
    struct Case {
        const char* name;
        std::function<void()> setUp;
        Texts boxes;
        bool opened;
    };
    const std::vector<Case> cases{
        {"no sensor configured", [] {}, {}, false},
        {"address 0 among several", [&] { type({{0, "1"}, {1, "0"}}); }, {kAddressZero}, false},
        {"no such port", [&] {
             type({{0, "1"}});
             line.openError = ENOENT;
         },
         {"Error|CCom.Open:" + platform::systemErrorText(ENOENT), kOpenFailed}, false},
        {"port busy", [&] {
             type({{0, "1"}});
             line.openError = EBUSY;
         },
         {"Error|CCom.Open:" + platform::systemErrorText(EBUSY), kOpenFailed}, false},
        {"the file's addresses have no cell",
         [&] { grid("0", "0"), settings.addressCount = 1, settings.addresses[0] = 1; }, {}, false},
        {"timer refused", [&] {
             type({{0, "1"}});
             view.timerFails = true;
         },
         {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid("1", "2");
        c.setUp();
        boxes.calls.clear();
        line.openCount = 0;
        ctl.StartStop();
        EXPECT_FALSE(ctl.running());
        EXPECT_EQ(view.startCaption, "Start");
        EXPECT_EQ(boxes.summary(), c.boxes);
        EXPECT_EQ(line.openCount > 0, c.opened);
        EXPECT_FALSE(line.isOpen) << "a port opened for a run that did not start is closed again";
        EXPECT_FALSE(settings.portInUse[settings.ISPort - 1]);
        EXPECT_TRUE(view.runBoxesEnabled);
        line.openError = 0;
        view.timerFails = false;
        ctl.OnKey();  // the next case types afresh
        for (auto& [cell, f] : view.cells) f.addressText.clear();
    }
}

// The check at a start used to depend on whether the start read the grid
// back: typed, then "<- Apply", then "Start" by mouse ran 177 beside 178.
TEST_F(TimingControllerTest, BroadcastBesideSensorsIsRefusedAtEveryStartButNotByApply) {
    for (const bool appliedFirst : {false, true}) {
        SCOPED_TRACE(appliedFirst ? "applied first" : "typed, then started");
        configure("1", "2", {{0, "1"}, {1, "0"}});
        if (appliedFirst) ctl.ApplyLayout();
        EXPECT_TRUE(boxes.calls.empty());
        ctl.StartStop();
        ASSERT_EQ(boxes.summary(), Texts{kAddressZero});
        EXPECT_EQ(boxes.calls[0].owner, view.owner);
        EXPECT_EQ(settings.addressCount, 0);
        EXPECT_FALSE(ctl.running());
        EXPECT_EQ(line.openCount, 0);
        EXPECT_EQ(view.firstLabels.at(0), "Time/NAKs:");
        boxes.calls.clear();
    }
    // Several entries that are all 0 pass.
    configure("1", "2", {{0, "0"}, {1, "B1"}});
    bus.broadcastAngle = 1.0;
    ctl.StartStop();
    EXPECT_TRUE(ctl.running());
    EXPECT_TRUE(boxes.calls.empty());
    // So does 0 beside entries never asked: one naming no sensor, one without a cell.
    ctl.StartStop();
    grid("0", "0"), settings.addressCount = 3, settings.addresses = {0, -1, 5};
    grid("1", "2"), start(), ctl.OnTimer();
    EXPECT_EQ(bus.asked, std::vector<int>{177});
}

TEST_F(TimingControllerTest, ScanFillsTheNextCellsInTheChosenFormatAndReportsProgress) {
    bus.angles = {{180, 1.0}, {184, 2.0}};
    for (const auto& [format, shown] : std::vector<std::pair<int, Texts>>{
             {0, {"3", "7", "", ""}}, {1, {"180", "184", "", ""}}, {2, {"B4", "B8", "", ""}}}) {
        ctl.OnFormatChosen(format);
        configure("2", "2", {{2, "9"}});
        ctl.ApplyLayout();
        view.cells.at(1).valueText = "old";
        view.scanCaptions.clear();
        line.clearLog();
        const int32_t countBefore = settings.addressCount;
        ctl.ScanSensors();
        EXPECT_EQ(view.addressTexts(4), shown) << "format " << format;
        EXPECT_EQ(view.cells.at(1).valueText, "");
        EXPECT_EQ(view.sensors, "2");
        EXPECT_EQ(settings.addresses[0], 3);
        EXPECT_EQ(settings.addresses[1], 7);
        EXPECT_EQ(settings.addressCount, countBefore) << "the list's count follows at the next read back";
        EXPECT_EQ(count("read 11 got 0"), 2 * 76) << "each silent address is asked twice";
        EXPECT_TRUE(ctl.dirty());
        ASSERT_EQ(view.scanCaptions.size(), 79u);
        EXPECT_EQ(view.scanCaptions.front(), "Scanning [0%]");
        EXPECT_EQ(view.scanCaptions[77], "Scanning [98%]");
        EXPECT_EQ(view.scanCaption, "<-Scan");
        EXPECT_FALSE(line.isOpen);
        EXPECT_FALSE(settings.portInUse[1]);
    }
    // The scan's own line settings: 100 ms between bytes, 200 ms in all.
    EXPECT_EQ(line.timeouts, (platform::CommTimeouts{100, 0, 200, 0, 0}));
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(TimingControllerTest, ScanKeepsWhatNoCellCanShowAndTriesTheBroadcastOnlyWhenNothingAnswered) {
    bus.angles = {{178, 1.0}, {200, 2.0}, {255, 3.0}};
    grid("1", "2");
    ctl.ScanSensors();
    EXPECT_EQ(view.addressTexts(2), (Texts{"1", "23"}));
    EXPECT_EQ(view.sensors, "3");
    EXPECT_EQ(settings.addresses[2], 78);
    EXPECT_EQ(std::count(bus.asked.begin(), bus.asked.end(), 177), 0);
    ctl.ApplyLayout();  // dirty after the scan: the cells become the list
    EXPECT_EQ(list(), (std::vector<int>{1, 23}));

    bus.angles.clear();
    bus.broadcastAngle = 5.0;
    grid("0", "0");
    ctl.ScanSensors();
    EXPECT_EQ(view.sensors, "1");
    EXPECT_EQ(settings.addresses[0], 0);
    EXPECT_EQ(bus.asked.back(), 177);
    // With no list left, the next "<- Apply" shows what the scan found.
    ctl.ApplyLayout();
    grid("1", "1");
    EXPECT_EQ(view.addressTexts(1), Texts{"0"});
}

TEST_F(TimingControllerTest, ScanDuringARunReopensTheRunsPortAndTheRunGoesOnWithTheNewCells) {
    bus.angles = {{178, 1.0}};
    bus.badRepliesBefore = {{178, 1}};  // a NAK that must stay with 178
    configure("1", "2", {{0, "1"}});
    start(), ctl.OnTimer();
    bus.angles = {{180, 3.0}};  // a single sensor also answers the device check at 177
    ctl.ScanSensors();
    EXPECT_TRUE(ctl.running());
    EXPECT_TRUE(line.isOpen);
    EXPECT_EQ(line.timeouts, (platform::CommTimeouts{200, 7, 124, 0, 0})) << "reopened with the run's settings";
    EXPECT_EQ(list(), std::vector<int>{3}) << "read back at once";
    bus.asked.clear();
    ctl.OnTimer();
    EXPECT_EQ(bus.asked, std::vector<int>{180});
    EXPECT_EQ(view.cells.at(0).valueText, "001/003°");
    EXPECT_TRUE(boxes.calls.empty());
    ctl.StartStop();
    EXPECT_EQ(view.cells.at(0).valueText, "001/0") << "180's figures alone";
}

TEST_F(TimingControllerTest, ScanDuringARunThatLeavesThePortClosedEndsTheRun) {
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        Texts boxes;
    };
    const std::vector<Case> cases{
        {"the reopen's device check finds a collision at 177",
         [&] { bus.angles = {{178, 1.0}, {179, 2.0}}; },
         {"COM Error|GetKV275degrees: Es wurden keine Daten empfangen.",
          "Device/COM Error|Das Gerät funktioniert nicht wie erwartet.\nÜberprüfen Sie bitte das Gerät und die "
          "Verbindung."}},
        {"the scan cannot open the port", [&] { line.openError = ENODEV; },
         {"Error|CCom.Open:" + platform::systemErrorText(ENODEV), kOpenFailed}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bus.angles = {{178, 1.0}};
        configure("1", "2", {{0, "1"}});
        start();
        boxes.calls.clear();
        c.breakIt();
        // The adapter goes while a box of the scan is open, and the run's
        // timer, if it still ran, would tick in there: still one box each.
        std::vector<size_t> timerAndTrafficInBoxes;
        boxes.whileShown = [&](const platform::MessageBoxCall&) {
            line.failAlways = {{"write", EIO}, {"read", EIO}, {"purge", EIO}, {"drain", EIO}};
            const size_t before = line.log.size();
            ctl.OnTimer();
            timerAndTrafficInBoxes.push_back(view.timerId + line.log.size() - before);
        };
        ctl.ScanSensors();
        EXPECT_EQ(timerAndTrafficInBoxes, std::vector<size_t>(c.boxes.size(), 0));
        boxes.whileShown = nullptr;
        line.failAlways.clear();
        EXPECT_EQ(boxes.summary(), c.boxes);
        EXPECT_FALSE(ctl.running());
        EXPECT_EQ(view.startCaption, "Start");
        EXPECT_EQ(view.timerId, 0);
        EXPECT_FALSE(line.isOpen);
        EXPECT_FALSE(settings.portInUse[1]) << "the port must open again for the next run";
        line.openError = 0;
        bus.angles = {{178, 1.0}};
        boxes.calls.clear();
        configure("1", "2", {{0, "1"}, {1, ""}});
        ctl.StartStop();
        EXPECT_TRUE(ctl.running()) << "the next start works";
        EXPECT_TRUE(boxes.calls.empty());
        ctl.StartStop();
    }
}

// A box shown during a scan runs the event loop, in which "<- Scan" can be
// pressed again; a scan inside the scan would close and reopen the port
// beneath the first and leave it closed.
TEST_F(TimingControllerTest, ScanPressedInsideABoxDuringAScanDoesNothing) {
    bus.angles = {{180, 1.0}, {184, 2.0}};
    grid("2", "2");
    line.writeLimit = 0;  // the first write sends nothing and says so
    bool pressed = false;
    boxes.whileShown = [&](const platform::MessageBoxCall&) {
        if (pressed) return;
        pressed = true;
        line.writeLimit = UINT32_MAX;
        const size_t before = line.log.size();
        ctl.ScanSensors();
        EXPECT_EQ(line.log.size(), before) << "the nested scan must not touch the line";
    };
    ctl.ScanSensors();
    EXPECT_TRUE(pressed);
    EXPECT_EQ(view.addressTexts(4), (Texts{"3", "7", "", ""}));
    EXPECT_EQ(view.sensors, "2");
    EXPECT_EQ(std::count(view.scanCaptions.begin(), view.scanCaptions.end(), "<-Scan"), 1);
    EXPECT_FALSE(line.isOpen);
    EXPECT_FALSE(settings.portInUse[1]);
    // The guard ends with the scan: the next press scans again.
    boxes.whileShown = nullptr;
    view.scanCaptions.clear();
    ctl.ScanSensors();
    EXPECT_EQ(view.scanCaptions.size(), 79u);
}

// A run's port whose close fails is still open and still ours: the scan uses
// it as it is instead of opening the device a second time over it.
TEST_F(TimingControllerTest, ScanOverAPortThatWouldNotCloseOpensNoSecondHandle) {
    bus.angles = {{178, 1.0}};
    configure("1", "2", {{0, "1"}});
    start();
    line.failNext["close"] = EIO;
    line.openCount = 0;
    ctl.ScanSensors();
    EXPECT_EQ(boxes.summary(), Texts{"Error|CCom.Close:" + platform::systemErrorText(EIO)});
    EXPECT_EQ(line.openCount, 1) << "only the reopen for the run, after the scan's close";
    EXPECT_TRUE(ctl.running());
    EXPECT_EQ(view.addressTexts(2), (Texts{"1", ""}));
}

// The adapter unplugged: the run or the scan must end at once, say so once
// and leave the port free, instead of counting failures or "finding" an
// empty bus.
TEST_F(TimingControllerTest, UnpluggedAdapterEndsARunOrAScanAtOnceWithOneBox) {
    const char* const lost = "Error|CCom.Write:Input/output error";
    for (const bool duringScan : {false, true}) {
        SCOPED_TRACE(duringScan ? "scan" : "run");
        bus.angles = {{178, 1.0}, {200, 2.0}};
        configure("1", "2", {{0, "1"}, {1, "23"}});
        start();
        boxes.calls.clear();
        bus.asked.clear();
        // Gone as a pseudo-terminal goes: traffic fails, closing still works.
        for (const char* op : {"write", "read", "purge", "drain"}) line.failAlways[op] = EIO;
        if (duringScan)
            ctl.ScanSensors();
        else
            ctl.OnTimer();
        EXPECT_EQ(boxes.summary(), Texts{lost});
        EXPECT_FALSE(ctl.running());
        EXPECT_FALSE(line.isOpen);
        EXPECT_EQ(view.timerId, 0);
        EXPECT_EQ(view.startCaption, "Start");
        if (duringScan) {
            EXPECT_EQ(view.scanCaptions.back(), "<-Scan");
            EXPECT_EQ(view.scanCaptions.size() - 1, 1u) << "stopped after the first address";
        }
        EXPECT_FALSE(settings.portInUse[1]);
        line.failAlways.clear();
        view.scanCaptions.clear();
    }
}

TEST_F(TimingControllerTest, DialogEndDuringARunKeepsTheShownAddressesForSavingAndReleasesEverything) {
    bus.angles = {{178, 1.0}, {180, 2.0}};
    configure("1", "2", {{0, "1"}, {1, "3"}});
    start();
    view.cells.at(1).addressText = "0";  // a broadcast entry beside a sensor
    ctl.OnDestroy();
    EXPECT_TRUE(boxes.calls.empty()) << "quitting shows no configuration box";
    EXPECT_EQ(list(), (std::vector<int>{1, 0}));
    EXPECT_FALSE(line.isOpen);
    EXPECT_EQ(view.timerId, 0);
    EXPECT_TRUE(view.cells.empty());
    EXPECT_TRUE(view.labelRects.empty());
}

TEST_F(TimingControllerTest, PortAndFormatChoicesOutsideTheirListsFallBack) {
    ctl.OnPortChosen(2);
    EXPECT_EQ(settings.ISPort, 3);
    ctl.OnPortChosen(-1);
    EXPECT_EQ(settings.ISPort, 2);
    ctl.OnFormatChosen(2);
    EXPECT_EQ(settings.addressFormat, 2);
    ctl.OnFormatChosen(5);
    EXPECT_EQ(settings.addressFormat, 0);
}

}  // namespace
