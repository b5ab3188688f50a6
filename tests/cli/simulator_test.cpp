// kv275 on the simulator's real pseudo-terminals, in-process, at 115200 baud
// so that the variable reply takes a tenth of a second.

#include "tests/cli/cli_run.h"
#include "tests/support/simulated_bus.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <regex>
#include <tuple>

namespace {

using kv275sim::AngleMotion;
using kv275sim::FaultKind;

class CliOnSimulator : public ::testing::Test {
protected:
    void start(std::vector<kv275sim::SensorConfig> sensors, std::vector<kv275sim::FaultRule> faults = {}) {
        kv275sim::SimulatorOptions o;
        o.directory = dir.path();
        o.sensors = std::move(sensors);
        o.faults = std::move(faults);
        o.answerDelayMs = answerDelayMs;
        o.seed = 7;
        bus = std::make_unique<testsupport::SimulatedBus>(o);
    }
    kv275sim::Simulator& sim() { return bus->sim(); }
    clitest::Run run(std::vector<std::string> args) {
        args.push_back("--baud");
        args.push_back("115200");
        return clitest::runCli(args);
    }

    testsupport::TempDir dir;  // current directory: COM1 is the simulator's link
    std::unique_ptr<testsupport::SimulatedBus> bus;
    unsigned answerDelayMs = 2;
};

// A sensor later than the fast read limit (19 ms at 115200 baud) has its
// reply arrive while the next address is asked: the scan must still list
// the sensors where they are, and say that they answer late. Parameters:
// the answer delay, standard error as a regular expression, the queries.
class CliFastScan : public CliOnSimulator,
                    public ::testing::WithParamInterface<std::tuple<unsigned, std::string, uint64_t>> {};

TEST_P(CliFastScan, ListsEverySensorAtItsOwnAddressAndSaysWhichAnswerLate) {
    const auto& [delayMs, err, queries] = GetParam();
    answerDelayMs = delayMs;
    start({{178, AngleMotion::fixed(12.5)}, {200, AngleMotion::fixed(45.25)}, {255, AngleMotion::fixed(0.0)}});
    const clitest::Run r = run({"scan", "--fast"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_match(r.err, std::regex(err))) << r.err;
    static const std::regex table(
        "addr  hex  index   angle  answer_ms\n"
        " 178   B2    #01   12\\.50 +\\d+\n"
        " 200   C8    #23   45\\.25 +\\d+\n"
        " 255   FF    #78    0\\.00 +\\d+\n"
        "3 sensors on COM1 \\(fast scan, \\d+\\.\\d s\\)\n");
    EXPECT_TRUE(std::regex_match(r.out, table)) << r.out;
    EXPECT_EQ(sim().bus().counters().angleQueries, queries);
    EXPECT_EQ(sim().bus().counters().naks, 0u);
}

// Late, the sensors are asked again where their replies came (179, 201),
// then where they are; 255 after the listening at the end.
INSTANTIATE_TEST_SUITE_P(
    AnswerDelays, CliFastScan,
    ::testing::Values(std::make_tuple(2u, "", 78u + 3),
                      std::make_tuple(44u, "kv275 scan: 178, 200, 255 answer later than the fast read limit of 19 ms .*"
                                           "give --timeout \\d+ or use the full scan\n", 78u + 5)));

TEST_F(CliOnSimulator, ReadAppendsCsvRowsAndNamesTheSensorThatNeverAnswered) {
    start({{178, AngleMotion::fixed(12.5)}, {200, AngleMotion::fixed(3.0)}}, {{FaultKind::Silence, 1.0, 200}});
    clitest::Run r = run({"read", "178", "200", "--count", "3", "--csv", "log.csv"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kv275 read: no valid answer from 200 in 3 sweeps\n");
    EXPECT_EQ(r.out, "");
    r = run({"read", "178", "200", "--count", "1", "--csv", "log.csv"});
    EXPECT_EQ(r.status, 1);

    const std::string rowTime = R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)";
    const std::string sweep = "(" + rowTime + ",178,12\\.50,\\d+,0\n" + rowTime + ",200,,\\d+,3\n)";
    const std::regex csv("time,address,angle,answer_ms,bad_replies\n" + sweep + "{4}");
    EXPECT_TRUE(std::regex_match(testsupport::readFile(dir.file("log.csv")), csv))
        << testsupport::readFile(dir.file("log.csv"));
}

// The query the unplugging broke off is no failure of the sensor: no "--"
// line, no CSV row without an angle, nothing counted as failed or bad.
// Parameters: the command, and what it wrote before the end keeps and never
// holds.
class CliAdapterGone
    : public CliOnSimulator,
      public ::testing::WithParamInterface<std::tuple<std::vector<std::string>, std::string, std::string>> {};

TEST_P(CliAdapterGone, EndsTheRunWithOneLineAndChargesNothingToTheSensor) {
    const auto& [args, kept, never] = GetParam();
    start({{178, AngleMotion::fixed(12.5)}});
    testsupport::UnplugWhen unplug(*bus, [&] { return sim().bus().counters().angleQueries >= 5; });
    const clitest::Run r = run(args);  // until stopped: only the unplugging ends it
    unplug.join();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(clitest::lines(r.err), 1u) << r.err;
    EXPECT_EQ(r.err.rfind("kv275 " + args[0] + ": the adapter on COM1 (/dev/pts/", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("Input/output error"), std::string::npos) << r.err;
    const std::string written = args.back() == "log.csv" ? testsupport::readFile(dir.file("log.csv")) : r.out;
    EXPECT_NE(written.find(kept), std::string::npos) << written;
    EXPECT_EQ(written.find(never), std::string::npos) << written;
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliAdapterGone,
    ::testing::Values(std::make_tuple(std::vector<std::string>{"read", "178"}, "  178: 12.50\n", "--"),
                      std::make_tuple(std::vector<std::string>{"read", "178", "--csv", "log.csv"}, ",178,12.50,",
                                      ",178,,"),
                      std::make_tuple(std::vector<std::string>{"times", "178", "--duration", "60", "--json"},
                                      R"("failures":0,"bad_replies":0,)", "null")));

TEST_F(CliOnSimulator, TimesCountsEveryNakTheGarblingSensorWasSent) {
    start({{178, AngleMotion::fixed(12.5)}, {200, AngleMotion::fixed(30.0)}}, {{FaultKind::BadChecksum, 0.3, 200}});
    const clitest::Run r = run({"times", "178", "200", "--duration", "1.5", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    // The steady sensor: every read answered at once, its angle without spread.
    static const std::regex steady(
        R"("address":178,"reads":(\d+),"failures":0,"bad_replies":0,)"
        R"("answer_ms":\{"min":\d+,"median":\d+,"p95":\d+,"p99":\d+,"max":\d+\},)"
        R"("angle":\{"mean":12\.50,"spread":0\.00\})");
    static const std::regex garbling(R"("address":200,"reads":(\d+),"failures":(\d+),"bad_replies":(\d+),)");
    std::smatch m178;
    std::smatch m200;
    ASSERT_TRUE(std::regex_search(r.out, m178, steady)) << r.out;
    ASSERT_TRUE(std::regex_search(r.out, m200, garbling)) << r.out;
    EXPECT_EQ(m178[1], m200[1]);  // whole sweeps only
    EXPECT_GT(std::stoul(m178[1]), 10u);
    EXPECT_GT(std::stoul(m200[3]), 0u);
    // Every bad reply counts; all but the last of a failed query are answered with NAK.
    EXPECT_EQ(std::stoul(m200[3]), sim().bus().counters().naks + std::stoul(m200[2]));
}

TEST_F(CliOnSimulator, VarsDumpSetDiffRestoreAndMoveASensor) {
    start({{178, AngleMotion::fixed(5.0)}, {200, AngleMotion::fixed(6.0)}});
    clitest::Run r = run({"vars", "dump", "178"});
    ASSERT_EQ(r.status, 0) << r.err;
    testsupport::writeFile(dir.file("a.dump"), r.out);

    r = run({"vars", "set", "178", "V026=50", "V024=1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "sensor 178: V024=1 V026=50 written and read back\n");
    EXPECT_EQ(sim().variables(178)[26], 50);
    EXPECT_EQ(sim().variables(200)[26], 100);  // the other sensor untouched

    testsupport::writeFile(dir.file("b.dump"), run({"vars", "dump", "178"}).out);
    r = run({"vars", "diff", "a.dump", "b.dump"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "V024: 3 -> 1\nV026: 100 -> 50\n");

    r = run({"vars", "restore", "178", "a.dump"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "sensor 178: V024=3 V025=2 V026=100 V064=100 written and read back\n");
    EXPECT_EQ(sim().variables(178), kv275sim::defaultVariables(178));

    r = run({"vars", "set", "178", "V063=190", "--move"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "sensor 178 (now at 190): V063=190 written and read back\n");
    EXPECT_TRUE(sim().bus().findSensor(190));

    // The dump's V063 would move the sensor back; without --move nothing is sent.
    const uint64_t writes = sim().bus().counters().writes;
    r = run({"vars", "restore", "190", "a.dump"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "kv275 vars restore: a.dump: V063=178 would move the sensor from 190: give --move to mean it\n");
    EXPECT_EQ(sim().bus().counters().writes, writes);

    // Two sensors answer 177 at once and collide: nothing is written.
    r = run({"vars", "set", "177", "--all", "V024=2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("kv275 vars set: no single answer at 177", 0), 0u) << r.err;
    EXPECT_EQ(sim().bus().counters().writes, writes);
}

}  // namespace
