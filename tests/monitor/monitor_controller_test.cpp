// The monitor's logic on the scripted line and the fake clock: polling with
// gaps for silent sensors, the adapter going away, CSV record and replay in
// kv275's format through both programs.
#include "monitor/monitor_controller.h"

#include "sensorlink/csv_read.h"
#include "monitor/plot_envelope.h"
#include "sensorlink/sensor_session.h"
#include "tests/cli/cli_run.h"
#include "tests/monitor/fake_monitor_view.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/sensor_bus_responder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <sstream>

namespace {

// 2024-05-01T12:00:00.000Z, the wall time polling starts at.
const readinglog::WallTime kStart = std::chrono::system_clock::from_time_t(1714564800);

class MonitorControllerTest : public ::testing::Test {
protected:
    MonitorControllerTest() {
        line.install();
        bus.attach(line);
        ctl.OnInitDialog();
    }

    void poll(int ticks) {
        for (int i = 0; i < ticks && ctl.polling(); ++i) ctl.OnTimer();
    }
    std::vector<float> anglesOf(int address) const {
        std::vector<float> out;
        for (const monitor::Sample& s : ctl.store().find(address)->raw()) out.push_back(s.angle);
        return out;
    }

    testsupport::TempDir dir;
    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    testsupport::SensorBusResponder bus;
    monitor::MonitorSettings settings;
    SessionSettings sessionSettings;
    CSensorSession session{sessionSettings};
    FakeMonitorView view;
    CMonitorController ctl{settings, session, view, [] { return kStart; }};
};

TEST_F(MonitorControllerTest, TypedAddressesAreTakenOnceAndAWrongOneIsNamed) {
    EXPECT_TRUE(ctl.AddSensors("178, 0xB4 hc8 178"));
    EXPECT_EQ(view.sensors, (std::vector<int>{178, 180, 200}));
    for (const char* wrong : {"179 12x", "177", "256"}) {
        EXPECT_FALSE(ctl.AddSensors(wrong)) << wrong;
        EXPECT_EQ(ctl.sensors().size(), 3u) << wrong;  // none of the line is taken
    }
    ASSERT_EQ(boxes.calls.size(), 3u);
    EXPECT_NE(boxes.calls[0].text.find("\"12x\""), std::string::npos);
}

TEST_F(MonitorControllerTest, ScanAddsTheSensorsOnTheBusAndPollingKeepsTheScannersLine) {
    bus.angles = {{178, 12.5}, {213, 174.0}};
    ctl.AddSensors("200");
    ctl.ScanBus();
    EXPECT_EQ(view.sensors, (std::vector<int>{200, 178, 213}));
    EXPECT_EQ(view.scanCaption, "Scan");
    EXPECT_FALSE(session.IsOpen());
    EXPECT_EQ(sessionSettings.comParameters, ComParameters{});
    EXPECT_TRUE(boxes.calls.empty());
}

TEST_F(MonitorControllerTest, SilentSensorIsAGapNeverAValueAndTheOthersGoOn) {
    bus.angles = {{178, 12.5}, {180, 33.25}};
    bus.silent = {180};
    ctl.AddSensors("178 180");
    ctl.StartStop();
    ASSERT_TRUE(ctl.polling());
    EXPECT_FALSE(view.idleControls);
    poll(6);
    bus.silent.clear();
    poll(2);
    ctl.StartStop();
    EXPECT_EQ(view.startCaption, "Start");
    EXPECT_TRUE(boxes.calls.empty());  // a silent sensor is no error

    EXPECT_EQ(anglesOf(178), std::vector<float>(4, 12.5f));
    const std::vector<float> silent = anglesOf(180);
    ASSERT_EQ(silent.size(), 4u);
    EXPECT_TRUE(std::isnan(silent[0]) && std::isnan(silent[1]) && std::isnan(silent[2]));
    EXPECT_EQ(silent[3], 33.25f);
    const monitor::WindowStatistics s = ctl.store().statistics(180);
    EXPECT_EQ(s.failedQueries, 3u);
    EXPECT_EQ(s.badReplies, 9u);  // three reads each
    EXPECT_EQ(*s.mean, 33.25);
    // Each reading's time comes from the tick counter after the start.
    const auto& r = ctl.store().find(178)->raw();
    EXPECT_GT(r[1].time, r[0].time);
    EXPECT_GE(r[0].time, std::chrono::duration<double>(kStart.time_since_epoch()).count());
}

TEST_F(MonitorControllerTest, AdapterGoneStopsWithOneBoxChargesNoSensorAndStartWorksAgain) {
    bus.angles = {{178, 12.5}, {180, 7.0}};
    ctl.AddSensors("178 180");
    ctl.StartStop();
    poll(3);
    // Pulled out: every exchange fails, the close of what is left succeeds.
    for (const char* op : {"write", "read", "purge", "drain"}) line.failAlways[op] = EIO;
    poll(5);
    EXPECT_FALSE(ctl.polling());
    EXPECT_FALSE(view.timerRunning);
    EXPECT_EQ(view.startCaption, "Start");
    ASSERT_EQ(boxes.calls.size(), 1u);
    EXPECT_TRUE(testsupport::matchesBox(boxes.summary()[0], "Error|CCom.*:Input/output error"));
    EXPECT_EQ(ctl.store().statistics(180).failedQueries, 0u);
    EXPECT_EQ(ctl.store().readingCount(), 3u);

    line.failAlways.clear();  // plugged in again
    boxes.calls.clear();
    ctl.StartStop();
    ASSERT_TRUE(ctl.polling());
    poll(2);
    EXPECT_TRUE(boxes.calls.empty());
    EXPECT_EQ(ctl.store().readingCount(), 5u);
    // The new run starts a new piece of each line.
    const auto& r = ctl.store().find(180)->raw();
    EXPECT_TRUE(r.back().startsSegment);
}

TEST_F(MonitorControllerTest, RecordingIsKv275sFormatAndBothProgramsReadEachOthersFiles) {
    bus.angles = {{178, 12.5}, {200, 45.0}};
    bus.silent = {200};
    ctl.AddSensors("178 200");
    ASSERT_TRUE(ctl.StartRecording(dir.file("monitor.csv")));
    ctl.StartStop();
    poll(4);
    ctl.StartStop();
    ctl.StopRecording();
    const std::string text = testsupport::readFile(dir.file("monitor.csv"));
    EXPECT_EQ(text.substr(0, text.find('\n') + 1), readinglog::kCsvHeader);
    std::istringstream rows(text);
    std::vector<readinglog::Reading> back;
    std::string error;
    ASSERT_TRUE(readinglog::ReadCsv(rows, [&](const readinglog::Reading& r) { back.push_back(r); }, error)) << error;
    ASSERT_EQ(back.size(), 4u);
    // The same reading, to the millisecond the file keeps.
    EXPECT_NEAR(ctl.store().find(178)->raw()[0].time,
                std::chrono::duration<double>(back[0].time.time_since_epoch()).count(), 1e-6);
    EXPECT_EQ(back[0].address, 178);
    EXPECT_EQ(*back[0].angle, 12.5);
    EXPECT_FALSE(back[1].angle);
    EXPECT_EQ(back[1].badReplies, 3);

    // What kv275 records, the monitor shows; what the monitor records, kv275 appends to.
    bus.silent.clear();
    const clitest::Run run = clitest::runCli({"read", "178", "200", "--count", "3", "--csv", dir.file("monitor.csv")});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_TRUE(ctl.OpenCsv(dir.file("monitor.csv")));
    ctl.SetWindow(0);  // both runs, a while apart
    EXPECT_EQ(view.sensors, (std::vector<int>{178, 200}));
    EXPECT_EQ(ctl.store().readingCount(), 10u);
    EXPECT_EQ(ctl.store().statistics(200).failedQueries, 2u);
    EXPECT_EQ(ctl.store().find(200)->totals().angles.Result()->mean, 45.0);
    EXPECT_NE(view.source.find("monitor.csv"), std::string::npos);
}

TEST_F(MonitorControllerTest, AFileThatIsNotKv275sCsvIsRefusedNamingItsLine) {
    const std::string header = readinglog::kCsvHeader;
    const std::string row = "2024-05-01T12:00:00.016Z,178,12.50,1,0\n";
    const struct {
        std::string content;
        std::string says;
    } cases[] = {
        {"", "line 1: the file is empty"},
        {"a,b,c\n" + row, "line 1: \"a,b,c\" is not the header"},
        {header + row + "2024-05-01T12:00:01Z,178,12.50,1,0\n", "line 3: the time \"2024-05-01T12:00:01Z\""},
        {header + row + row + "2024-02-30T12:00:00.000Z,178,1.00,1,0\n", "line 4: the time"},
        {header + "2024-05-01T12:00:00.016Z,176,12.50,1,0\n", "line 2: the address \"176\""},
        {header + "2024-05-01T12:00:00.016Z,178,1e3,1,0\n", "line 2: the angle \"1e3\""},
        {header + "2024-05-01T12:00:00.016Z,178,12.50,-1,0\n", "line 2: the answer time"},
        {header + "2024-05-01T12:00:00.016Z,178,12.50,1\n", "line 2: not a reading of five fields"},
        {std::string(5000, '\x01'), "line 1: \"??????"},
    };
    ctl.AddSensors("180");
    for (const auto& c : cases) {
        testsupport::writeFile(dir.file("bad.csv"), c.content);
        boxes.calls.clear();
        EXPECT_FALSE(ctl.OpenCsv(dir.file("bad.csv"))) << c.says;
        ASSERT_EQ(boxes.calls.size(), 1u) << c.says;
        EXPECT_NE(boxes.calls[0].text.find("bad.csv, " + c.says), std::string::npos) << boxes.calls[0].text;
        EXPECT_EQ(ctl.sensors(), std::vector<int>{180});  // what was shown stays
    }
}

}  // namespace
