#include "sim/command_line.h"
#include "sim/simulator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kv275sim;

TEST(CommandLine, ReadsEveryOption) {
    const CommandLine cl = parseCommandLine({"--dir", "/tmp/x", "--port", "COM2", "--port=COM3", "--sensor", "178:12.5",
                                             "--sensor", "0xB3:ramp:0:90:10", "--sensor", "200:sine:45:5:2",
                                             "--delay", "7", "--baud", "19200", "--fault", "checksum:0.25",
                                             "--fault", "silence:1:200", "--log", "-", "--ready-file", "r",
                                             "--seed", "99"});
    ASSERT_EQ(cl.error, "");
    EXPECT_FALSE(cl.help);
    const SimulatorOptions& o = cl.options;
    EXPECT_EQ(o.directory, "/tmp/x");
    EXPECT_EQ(o.ports, (std::vector<std::string>{"COM2", "COM3"}));
    ASSERT_EQ(o.sensors.size(), 3u);
    EXPECT_EQ(o.sensors[0].address, 178);
    EXPECT_DOUBLE_EQ(o.sensors[0].motion.at(100.0), 12.5);
    EXPECT_EQ(o.sensors[1].address, 0xB3);
    EXPECT_DOUBLE_EQ(o.sensors[1].motion.at(5.0), 45.0);
    EXPECT_NEAR(o.sensors[2].motion.at(0.5), 50.0, 1e-9);
    EXPECT_EQ(o.answerDelayMs, 7u);
    EXPECT_EQ(o.baud, 19200u);
    ASSERT_EQ(o.faults.size(), 2u);
    EXPECT_EQ(o.faults[0].kind, FaultKind::BadChecksum);
    EXPECT_DOUBLE_EQ(o.faults[0].probability, 0.25);
    EXPECT_EQ(o.faults[0].address, 0);
    EXPECT_EQ(o.faults[1].address, 200);
    EXPECT_EQ(o.log, "-");
    EXPECT_EQ(cl.readyFile, "r");
    EXPECT_EQ(o.seed, 99u);
}

TEST(CommandLine, DefaultsToOneSensorOnCom1) {
    const CommandLine cl = parseCommandLine({});
    ASSERT_EQ(cl.error, "");
    EXPECT_EQ(cl.options.ports, std::vector<std::string>{"COM1"});
    ASSERT_EQ(cl.options.sensors.size(), 1u);
    EXPECT_EQ(cl.options.sensors[0].address, 178);
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
    EXPECT_TRUE(parseCommandLine({"-h"}).help);
}

TEST(CommandLine, RejectsBadInputWithAReason) {
    const std::vector<std::vector<std::string>> bad{
        {"--bogus"},
        {"--port"},
        {"--port", "a/b"},
        {"--port", "COM1", "--port", "COM1"},
        {"--sensor", "177"},
        {"--sensor", "256"},
        {"--sensor", "178:abc"},
        {"--sensor", "178:ramp:0:10"},
        {"--sensor", "178:sine:0:10:0"},
        {"--sensor", "178:nan"},
        {"--sensor", "178", "--sensor", "0xB2:5"},  // one address twice
        {"--delay", "-1"},
        {"--delay", "5x"},
        {"--baud", "0"},
        {"--fault", "fire:0.5"},
        {"--fault", "silence:1.5"},
        {"--fault", "silence:0.5:100"},
        {"--seed", "-3"},
        {"--var", "178:24"},
        {"--var", "178=24:1"},
        {"--var", "178:x=1"},
        {"--var", "179:24=1"},  // no such sensor: only the default 178 is on the bus
        {"--var", "178:256=1"},
        {"--var", "178:63=190"},
        {"--var", "178:24=100000"},
        {"--var", "178:24=-10000"},
        {"--minus-apart=1"},
    };
    for (const auto& args : bad) {
        const CommandLine cl = parseCommandLine(args);
        EXPECT_NE(cl.error, "") << args[0] << " " << (args.size() > 1 ? args[1] : "");
    }
}

TEST(AngleMotion, RampAndSineFollowTheirPeriod) {
    const AngleMotion ramp = AngleMotion::ramp(10.0, 20.0, 4.0);
    EXPECT_DOUBLE_EQ(ramp.at(0.0), 10.0);
    EXPECT_DOUBLE_EQ(ramp.at(2.0), 15.0);
    EXPECT_DOUBLE_EQ(ramp.at(5.0), 12.5);  // second round
    const AngleMotion sine = AngleMotion::sine(45.0, 10.0, 4.0);
    EXPECT_NEAR(sine.at(1.0), 55.0, 1e-9);
    EXPECT_NEAR(sine.at(3.0), 35.0, 1e-9);
    // A zero period would divide by zero; such a motion stands still.
    EXPECT_DOUBLE_EQ(AngleMotion::ramp(7.0, 9.0, 0.0).at(3.0), 7.0);
}

TEST(CommandLine, VariablesGivenAreTheSensorsOwn) {
    // --var before the --sensor it names: the order does not matter.
    const CommandLine cl = parseCommandLine({"--var", "0xB3:64=-12", "--sensor", "178", "--sensor", "0xB3",
                                             "--var=178:24=1", "--var", "0xB3:64=-345", "--minus-apart"});
    ASSERT_EQ(cl.error, "");
    EXPECT_TRUE(cl.options.minusApart);
    EXPECT_FALSE(parseCommandLine({}).options.minusApart);

    Simulator sim(cl.options);
    EXPECT_EQ(sim.variables(178)[24], 1);
    EXPECT_EQ(sim.variables(178)[64], 100);  // untouched: the factory value
    EXPECT_EQ(sim.variables(0xB3)[64], -345);  // the later one wins
    EXPECT_EQ(sim.variables(0xB3)[24], 3);
}
