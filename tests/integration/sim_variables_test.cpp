// The setup program's session reading and writing variables over the
// simulator's real pseudo-terminals.
#include "sensorlink/sensor_session.h"
#include "sim/simulator.h"
#include "tests/support/message_box_recorder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST(SimVariables, ReadWriteReadBackAndMoveASensor) {
    testsupport::TempDir dir;  // current directory: COM1 resolves to the simulator's link
    testsupport::MessageBoxRecorder boxes;

    kv275sim::SimulatorOptions options;
    options.directory = dir.path();
    options.sensors = {{178, kv275sim::AngleMotion::fixed(12.34)}, {200, kv275sim::AngleMotion::fixed(5.0)}};
    options.variables = {{178, 64, -12}};
    options.minusApart = true;  // V064 goes out as "-   12": the session must mend it
    options.answerDelayMs = 2;
    options.seed = 1;
    kv275sim::Simulator sim(options);
    sim.start();

    SessionSettings settings;
    settings.ISAddress = 1;
    settings.comParameters.BaudRate = 115200;  // the 1541-byte reply in about 0.13 s
    CSensorSession session(settings, SessionForm::Setup);
    ASSERT_TRUE(session.OpenSession(0));

    VariableTable table{};
    ASSERT_TRUE(session.ReadVariables(1, table));
    const kv275sim::VariableTable simulated = sim.variables(178);
    EXPECT_TRUE(std::equal(table.begin(), table.end(), simulated.begin()));
    EXPECT_EQ(table[64], -12);
    EXPECT_EQ(table[63], 178);

    ASSERT_TRUE(session.WriteVariable(1, 26, 50));
    ASSERT_TRUE(session.ReadVariables(1, table));
    EXPECT_EQ(table[26], 50);
    EXPECT_EQ(sim.variables(200)[26], 100);  // only the addressed sensor took it

    // V063 moves the sensor: it answers at 190 (index 13) from now on.
    ASSERT_TRUE(session.WriteVariable(1, 63, 190));
    EXPECT_DOUBLE_EQ(session.GetKV275degrees(13), 12.34);
    ASSERT_TRUE(session.ReadVariables(13, table));
    EXPECT_EQ(table[63], 190);
    EXPECT_EQ(table[26], 50);
    EXPECT_FALSE(sim.bus().findSensor(178));
    EXPECT_TRUE(boxes.calls.empty()) << boxes.summary().front();
}

}  // namespace
