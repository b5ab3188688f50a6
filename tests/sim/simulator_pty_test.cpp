// The simulator end to end, through its pseudo-terminals, as a tool sees it.

#include "sim/simulator.h"
#include "tests/sim/line_client.h"
#include "tests/sim/tool_side_checks.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kv275sim;
using simtest::LineClient;

namespace {

constexpr unsigned kFastBaud = 115200;
const std::vector<uint8_t> kNak{0x15};

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

class SimulatorPty : public ::testing::Test {
protected:
    SimulatorOptions options(std::vector<SensorConfig> sensors) {
        SimulatorOptions o;
        o.directory = dir.path();
        o.ports = {"COM1"};
        o.sensors = std::move(sensors);
        o.answerDelayMs = 1;
        o.baud = kFastBaud;
        o.seed = 1;
        return o;
    }

    testsupport::TempDir dir;
};

}  // namespace

TEST_F(SimulatorPty, AngleQueryAndNakRepeat) {
    Simulator sim(options({{178, AngleMotion::fixed(12.3)}, {200, AngleMotion::fixed(45.67)}}));
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    ASSERT_TRUE(line.ok()) << line.error();

    const auto reply = line.ask({0xB2, 0x05}, 11, 2000, 30);
    ASSERT_EQ(simtest::angleReplyProblem(reply), "");
    EXPECT_DOUBLE_EQ(simtest::decodeAngle(reply), 12.3);

    sim.setAngle(178, 99.0);  // the repeat is the old reply, not a new reading
    EXPECT_EQ(line.ask(kNak, 11, 2000, 30), reply);

    const auto other = line.ask({0xC8, 0x05}, 11);
    EXPECT_DOUBLE_EQ(simtest::decodeAngle(other), 45.67);
    EXPECT_EQ(sim.bus().counters().angleQueries, 2u);
    EXPECT_EQ(sim.bus().counters().naks, 1u);
}

TEST_F(SimulatorPty, AbsentAddressAndSilenceFaultGetNoAnswer) {
    SimulatorOptions o = options({{178, AngleMotion::fixed(1.0)}, {179, AngleMotion::fixed(2.0)}});
    o.faults = {{FaultKind::Silence, 1.0, 179}};
    Simulator sim(o);
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    EXPECT_TRUE(line.ask({0xB4, 0x05}, 1, 100).empty());
    EXPECT_TRUE(line.ask({0xB3, 0x05}, 1, 100).empty());
    EXPECT_TRUE(line.ask(kNak, 1, 100).empty());
    EXPECT_EQ(simtest::angleReplyProblem(line.ask({0xB2, 0x05}, 11)), "");
}

TEST_F(SimulatorPty, BadChecksumFaultThenNakGetsAGoodReply) {
    SimulatorOptions o = options({{178, AngleMotion::fixed(3.5)}});
    o.faults = {{FaultKind::BadChecksum, 1.0, 0}};
    Simulator sim(o);
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    EXPECT_EQ(simtest::angleReplyProblem(line.ask({0xB2, 0x05}, 11)), "checksum");
    sim.bus().setFaults({});
    EXPECT_EQ(simtest::angleReplyProblem(line.ask(kNak, 11)), "");
}

TEST_F(SimulatorPty, VariableReadDecodesToTheSensorsVariables) {
    Simulator sim(options({{190, AngleMotion::fixed(0)}}));
    sim.bus().setVariable(0, 100, -42);
    sim.bus().setVariable(0, 101, 99999);
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    const auto reply = line.ask({0xBE, 0x11}, 1541, 3000, 30);
    std::array<int32_t, 256> table{};
    ASSERT_EQ(simtest::variableReplyProblem(reply, table), "");
    const VariableTable expected = sim.variables(190);
    for (size_t k = 0; k < 256; ++k) EXPECT_EQ(table[k], expected[k]) << "V" << k;
    EXPECT_EQ(table[63], 190);
    EXPECT_EQ(table[100], -42);
}

TEST_F(SimulatorPty, WriteIsAcknowledgedAndV063MovesTheSensor) {
    Simulator sim(options({{178, AngleMotion::fixed(7.0)}}));
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    EXPECT_EQ(line.ask(simtest::writeFrame(0xB2, 26, 50), 1, 2000, 30), std::vector<uint8_t>{0x06});
    EXPECT_EQ(sim.variables(178)[26], 50);

    EXPECT_EQ(line.ask(simtest::writeFrame(0xB2, 63, 181), 1, 2000, 30), std::vector<uint8_t>{0x06});
    EXPECT_TRUE(line.ask({0xB2, 0x05}, 1, 100).empty());
    EXPECT_DOUBLE_EQ(simtest::decodeAngle(line.ask({0xB5, 0x05}, 11)), 7.0);
    EXPECT_EQ(sim.variables(181)[63], 181);
}

TEST_F(SimulatorPty, WriteWithBadChecksumIsRefusedWithNak) {
    Simulator sim(options({{178, AngleMotion::fixed(7.0)}}));
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    auto frame = simtest::writeFrame(0xB2, 26, 50);
    frame[frame.size() - 2] ^= 0x01;  // last checksum digit, still a hex digit
    EXPECT_EQ(line.ask(frame, 1, 2000, 30), std::vector<uint8_t>{0x15});
    EXPECT_EQ(sim.variables(178)[26], 100);
}

TEST_F(SimulatorPty, BroadcastWithSeveralSensorsCollides) {
    Simulator sim(options({{178, AngleMotion::fixed(7.0)}, {179, AngleMotion::fixed(7.0)}}));
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    const auto garbled = line.ask({0xB1, 0x05}, 11, 2000, 30);
    EXPECT_EQ(garbled.size(), 11u);
    EXPECT_NE(simtest::angleReplyProblem(garbled), "");
    // A broadcast write reaches both and is acknowledged once.
    EXPECT_EQ(line.ask(simtest::writeFrame(0xB1, 64, 500), 1, 2000, 30), std::vector<uint8_t>{0x06});
    EXPECT_EQ(sim.variables(178)[64], 500);
    EXPECT_EQ(sim.variables(179)[64], 500);
}

TEST_F(SimulatorPty, EveryPortReachesTheSameSensors) {
    SimulatorOptions o = options({{178, AngleMotion::fixed(1.0)}});
    o.ports = {"COM1", "COM2"};
    Simulator sim(o);
    sim.start();
    LineClient one(dir.file("COM1"), kFastBaud);
    LineClient two(dir.file("COM2"), kFastBaud);
    EXPECT_EQ(one.ask(simtest::writeFrame(0xB2, 63, 230), 1), std::vector<uint8_t>{0x06});
    EXPECT_DOUBLE_EQ(simtest::decodeAngle(two.ask({0xE6, 0x05}, 11)), 1.0);
    EXPECT_EQ(sim.bus().requestsSeen(0), 2u);
}

TEST_F(SimulatorPty, ToolCanCloseAndReopenWithoutDisturbingThePort) {
    Simulator sim(options({{178, AngleMotion::fixed(1.0)}}));
    sim.start();
    for (int i = 0; i < 3; ++i) {
        LineClient line(dir.file("COM1"), kFastBaud);
        ASSERT_TRUE(line.ok());
        ASSERT_EQ(simtest::angleReplyProblem(line.ask({0xB2, 0x05}, 11)), "") << i;
    }
}

// A killed simulator leaves its link behind, and the terminal number it
// names soon belongs to another program (a user's terminal, another test):
// such a link is stale all the same. Only a link a running simulator serves
// is refused.
TEST_F(SimulatorPty, StopRemovesLinksAndReplacesAStaleOneEvenToALiveTerminal) {
    int master = -1, slave = -1;
    char otherProgramsTerminal[256] = {};
    ASSERT_EQ(openpty(&master, &slave, otherProgramsTerminal, nullptr, nullptr), 0);
    ASSERT_EQ(symlink(otherProgramsTerminal, dir.file("COM1").c_str()), 0);
    Simulator sim(options({{178, AngleMotion::fixed(1.0)}}));
    sim.start();
    close(slave);
    close(master);
    Simulator second(options({{180, AngleMotion::fixed(2.0)}}));
    EXPECT_THROW(second.start(), std::runtime_error);
    ASSERT_EQ(sim.ports().size(), 1u);
    char target[256] = {};
    ASSERT_GT(readlink(dir.file("COM1").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), sim.ports()[0].slavePath);
    sim.stop();
    EXPECT_FALSE(exists(dir.file("COM1")));
    EXPECT_FALSE(sim.running());
    sim.stop();  // again: nothing happens
}

TEST_F(SimulatorPty, RefusesToReplaceAFileThatIsNotALink) {
    testsupport::writeFile(dir.file("COM1"), "mine");
    SimulatorOptions o = options({});
    o.ports = {"COM2", "COM1"};
    Simulator sim(o);
    EXPECT_THROW(sim.start(), std::runtime_error);
    EXPECT_EQ(testsupport::readFile(dir.file("COM1")), "mine");
    EXPECT_FALSE(exists(dir.file("COM2")));  // nothing left behind
}

TEST_F(SimulatorPty, KilledPortLooksLikeAVanishedDevice) {
    SimulatorOptions o = options({{178, AngleMotion::fixed(1.0)}});
    o.ports = {"COM1", "COM2"};
    Simulator sim(o);
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    ASSERT_EQ(line.ask({0xB2, 0x05}, 11).size(), 11u);
    EXPECT_TRUE(sim.killPort("COM1"));
    EXPECT_FALSE(sim.killPort("COM1"));
    const auto start = std::chrono::steady_clock::now();
    line.ask({0xB2, 0x05}, 11, 3000);
    EXPECT_EQ(line.lineError(), EIO);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));  // no hang
    EXPECT_FALSE(exists(dir.file("COM1")));
    // The other port goes on.
    LineClient two(dir.file("COM2"), kFastBaud);
    EXPECT_EQ(simtest::angleReplyProblem(two.ask({0xB2, 0x05}, 11)), "");
}

TEST_F(SimulatorPty, StopCutsOffALongReplyAtOnce) {
    SimulatorOptions o = options({{178, AngleMotion::fixed(1.0)}});
    o.baud = 9600;
    Simulator sim(o);
    sim.start();
    LineClient line(dir.file("COM1"), 9600);
    line.send({0xB2, 0x11});  // 1.6 s of reply at 9600
    line.receive(5, 1000);
    const auto start = std::chrono::steady_clock::now();
    sim.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));  // no hang
}

TEST_F(SimulatorPty, RepliesAreNeverFasterThanTheLine) {
    // A lower bound only: a loaded machine makes replies later, never earlier.
    Simulator sim(options({{178, AngleMotion::fixed(1.0)}}));
    sim.start();
    LineClient line(dir.file("COM1"), kFastBaud);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(line.ask({0xB2, 0x11}, 1541, 3000).size(), 1541u);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, std::chrono::microseconds(1541 * 10 * 1000000LL / kFastBaud));

    // At 9600 baud the two request bytes cross the line first, then the
    // answer delay passes, then the eleven reply bytes follow.
    LineClient slow(dir.file("COM1"), 9600);
    const auto again = std::chrono::steady_clock::now();
    ASSERT_EQ(slow.ask({0xB2, 0x05}, 11).size(), 11u);
    EXPECT_GE(std::chrono::steady_clock::now() - again, std::chrono::microseconds(13 * 10 * 1000000LL / 9600 + 1000));
}

TEST_F(SimulatorPty, TrafficLogHasTimestampedHexLines) {
    SimulatorOptions o = options({{178, AngleMotion::fixed(12.3)}});
    o.log = dir.file("traffic.log");
    {
        Simulator sim(o);
        sim.start();
        LineClient line(dir.file("COM1"), kFastBaud);
        line.ask({0xB2, 0x05}, 11, 2000, 20);
    }
    const std::string log = testsupport::readFile(dir.file("traffic.log"));
    EXPECT_NE(log.find(" COM1 in  B2 05\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" COM1 out 02 30 31 32 2E 33 30 03 31 46 0D"), std::string::npos) << log;
    EXPECT_NE(log.find("angle query to 178"), std::string::npos) << log;
}
