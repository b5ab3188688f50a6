// The sensor session over the simulator's real pseudo-terminals: what the
// scripted line cannot show (termios time-outs, exclusive open, a device that
// disappears under an open port).
#include "sensorlink/sensor_session.h"
#include "sim/simulator.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using testsupport::MessageBoxRecorder;
using testsupport::TempDir;

class SimSession : public ::testing::Test {
protected:
    void startSim(std::vector<kv275sim::SensorConfig> sensors) {
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.sensors = std::move(sensors);
        options.answerDelayMs = 2;
        options.seed = 1;
        sim = std::make_unique<kv275sim::Simulator>(options);
        sim->start();
    }

    TempDir dir;  // current directory: COM1 resolves to the simulator's link
    MessageBoxRecorder boxes;
    std::unique_ptr<kv275sim::Simulator> sim;
    SessionSettings settings;
    CSensorSession session{settings};
};

TEST_F(SimSession, DeviceCheckAndQueryRoundTrip) {
    startSim({{178, kv275sim::AngleMotion::fixed(12.34)}, {200, kv275sim::AngleMotion::fixed(7.5)}});
    settings.ISPort = 1;
    settings.ISAddress = 1;
    ASSERT_TRUE(session.OpenSession(0));
    EXPECT_TRUE(settings.portInUse[0]);
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(1), 12.34);
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(23), 7.5);
    EXPECT_EQ(session.nakCount, 0);
    session.CloseSession();
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(settings.portInUse[0]);
    EXPECT_TRUE(boxes.calls.empty()) << boxes.summary().front();
}

TEST_F(SimSession, SilentAddressTimesOutAndNaksEachRead) {
    startSim({{178, kv275sim::AngleMotion::fixed(1.0)}});
    ASSERT_TRUE(session.OpenSession(-1));
    session.attempts = 2;
    session.messageLanguage = 2;
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(session.GetKV275degrees(5), -1.0);
    const auto spent = std::chrono::steady_clock::now() - begin;
    EXPECT_EQ(session.readAttemptCount, 2);
    EXPECT_EQ(session.lastNakCount, 2);
    // Each read must run its whole 7 x 11 + 124 ms time-out before giving up;
    // the upper bound only catches a hang.
    EXPECT_GE(session.lastReadTime, 2 * 195);
    EXPECT_LT(spent, std::chrono::seconds(5));
    ASSERT_EQ(boxes.summary(), std::vector<std::string>{"COM Error|GetKV275degrees: no data received"});
}

TEST_F(SimSession, SecondOpenerOfThePortGetsBusy) {
    startSim({{178, kv275sim::AngleMotion::fixed(1.0)}});
    ASSERT_TRUE(session.OpenSession(-1));

    SessionSettings otherSettings;  // another program: its own in-use marks
    CSensorSession other(otherSettings);
    EXPECT_FALSE(other.OpenSession(-1));
    EXPECT_FALSE(other.IsOpen());
    EXPECT_FALSE(otherSettings.portInUse[0]);
    ASSERT_EQ(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].title, "Error");
    EXPECT_EQ(boxes.calls[0].text, "CCom.Open:Device or resource busy");
    EXPECT_EQ(boxes.calls[1].title, "COM Error");
    EXPECT_EQ(boxes.calls[1].text, "COM Schnittstelle konnte nicht geöffnet werden.");

    // The first opener is not disturbed.
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(1), 1.0);
}

TEST_F(SimSession, VanishedDeviceFailsQueriesWithoutHanging) {
    startSim({{178, kv275sim::AngleMotion::fixed(3.0)}});
    ASSERT_TRUE(session.OpenSession(-1));
    ASSERT_DOUBLE_EQ(session.GetKV275degrees(1), 3.0);

    ASSERT_TRUE(sim->killPort("COM1"));
    const auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(session.GetKV275degrees(1), -1.0);
    EXPECT_EQ(session.GetKV275degrees(1), -1.0);
    session.CloseSession();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_FALSE(session.IsOpen());
    EXPECT_FALSE(settings.portInUse[0]);
    ASSERT_GE(boxes.calls.size(), 2u);
    EXPECT_EQ(boxes.calls[0].text, "GetKV275degrees: Es wurden keine Daten empfangen.");
    EXPECT_EQ(boxes.calls[1].text, "GetKV275degrees: Es wurden keine Daten empfangen.");
}

}  // namespace
