// kv275 on the scripted line and the fake clock: how each address is asked,
// when sweeps start and end, and how every failure becomes one line.

#include "cli/box_collector.h"
#include "sim/frames.h"
#include "sim/sensor.h"
#include "tests/cli/cli_run.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/sensor_bus_responder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <regex>

namespace {

using Args = std::vector<std::string>;

struct ScriptedBus {
    ScriptedBus() {
        line.install();
        responder.attach(line);
    }
    size_t count(const std::string& entry) const { return std::count(line.log.begin(), line.log.end(), entry); }

    testsupport::FakeClock clock;
    testsupport::FakeSerialLine line{&clock};
    testsupport::SensorBusResponder responder;
};

std::string foundAddresses(const std::string& out) {
    std::string found;
    static const std::regex row(R"(^ *(\d{3}) +[0-9A-F]{2} +#\d\d )");
    std::smatch m;
    std::istringstream in(out);
    for (std::string l; std::getline(in, l);)
        if (std::regex_search(l, m, row)) found += (found.empty() ? "" : ",") + m[1].str();
    return found;
}

// 180 answers; 255 garbles its first reply: a full scan gets it with its NAK,
// a fast one asks once and leaves it. Neither sends a NAK after its last
// read: the repeated reply would meet the next request.
TEST(CliScan, EachAddressIsAskedWithTheAttemptsAndReadLimitOfItsScan) {
    struct Case {
        Args args;
        bool terminal;
        platform::CommTimeouts timeouts;
        uint32_t baud;
        size_t reads;
        size_t naks;
        std::string found;
    };
    const std::vector<Case> cases = {
        {{"scan"}, false, {200, 7, 124, 0, 0}, 9600, 76 * 2 + 1 + 2, 76 + 1, "180,255"},
        {{"scan", "--fast"}, true, {0, 0, 30, 0, 0}, 9600, 78, 0, "180"},
        {{"scan", "--fast", "--timeout", "80"}, false, {0, 0, 80, 0, 0}, 9600, 78, 0, "180"},
        {{"scan", "--fast", "--baud", "115200"}, false, {0, 0, 19, 0, 0}, 115200, 78, 0, "180"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        ScriptedBus bus;
        bus.responder.angles = {{180, 12.5}, {255, 45.0}};
        bus.responder.badRepliesBefore[255] = 1;
        const clitest::Run run = clitest::runCli(c.args, c.terminal);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(bus.line.timeouts, c.timeouts);
        EXPECT_EQ(bus.line.dcb.BaudRate, c.baud);
        EXPECT_EQ(bus.count("read 11 got 0") + bus.count("read 11 got 11"), c.reads);
        EXPECT_EQ(bus.count("write 15"), c.naks);
        EXPECT_EQ(bus.responder.asked.size(), 78u);
        EXPECT_EQ(foundAddresses(run.out), c.found);
        EXPECT_NE(run.out.find(" 180   B4    #03   12.50"), std::string::npos) << run.out;
        EXPECT_FALSE(bus.line.isOpen);
        // The bar only on a terminal, and gone again before anything else is written.
        if (c.terminal) {
            EXPECT_EQ(run.err.rfind("\r[", 0), 0u);
            EXPECT_NE(run.err.find("]  98%  255, 1 found"), std::string::npos);
            EXPECT_EQ(run.err.substr(run.err.size() - 4), "\r\033[K");
        } else {
            EXPECT_EQ(run.err, "");
        }
    }
}

TEST(CliRead, SweepsFollowTheIntervalUntilCountOrDurationAndNameASilentSensor) {
    struct Case {
        Args args;
        size_t sweeps;
        int status;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{"read", "178", "180", "--count", "3"}, 3, 0, ""},
        {{"read", "178", "180", "--interval", "250", "--duration", "1"}, 4, 0, ""},
        {{"read", "178", "180", "--interval", "400", "--duration", "1"}, 3, 0, ""},
        // A query of a silent sensor takes 3 x 231 ms: the sweeps follow
        // each other at once, without a burst to make up for the interval.
        {{"read", "178", "181", "--interval", "250", "--duration", "1.5"}, 3, 1,
         "kv275 read: no valid answer from 181 in 3 sweeps\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        ScriptedBus bus;
        bus.responder.angles = {{178, 1.0}, {180, 2.0}};
        const clitest::Run run = clitest::runCli(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(clitest::lines(run.out), c.sweeps) << run.out;
        EXPECT_EQ(bus.responder.asked.size(), 2 * c.sweeps);
        static const std::regex sweep(R"((\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z  178: 1\.00  18(0: 2\.00|1: --)\n)+)");
        EXPECT_TRUE(std::regex_match(run.out, sweep)) << run.out;
    }
}

TEST(CliRead, CtrlCEndsTheRunBeforeTheNextQueryAndKeepsWhatWasRead) {
    ScriptedBus bus;
    bus.responder.angles = {{178, 1.0}, {180, 2.0}};
    std::atomic<bool> stop{false};
    bus.line.responder = [&](const std::string& written) {
        const std::string reply = bus.responder.respond(written);
        if (bus.responder.asked.size() == 3) stop = true;
        return reply;
    };
    const clitest::Run run = clitest::runCli({"read", "178", "180"}, false, &stop);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(clitest::lines(run.out), 2u) << run.out;
    EXPECT_EQ(run.out.substr(run.out.find('\n') + 25), "  178: 1.00\n");
    EXPECT_FALSE(bus.line.isOpen);
}

// Ctrl+C after the first query of the first sweep: 180 was never asked and
// is no silent sensor; 178, asked and silent, still is.
TEST(CliRead, CtrlCInTheFirstSweepCallsSilentOnlyAnAddressAskedAndNeverAnswered) {
    struct Case {
        std::map<int, double> angles;
        int status;
        std::string line;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{{178, 1.0}, {180, 2.0}}, 0, "  178: 1.00\n", ""},
        {{{180, 2.0}}, 1, "  178: --\n", "kv275 read: no valid answer from 178 in 1 sweep\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ScriptedBus bus;
        bus.responder.angles = c.angles;
        std::atomic<bool> stop{false};
        bus.line.responder = [&](const std::string& written) {
            const std::string reply = bus.responder.respond(written);
            if (bus.responder.asked.size() == 1) stop = true;
            return reply;
        };
        const clitest::Run run = clitest::runCli({"read", "178", "180"}, false, &stop);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.err, c.err);
        ASSERT_EQ(clitest::lines(run.out), 1u) << run.out;
        EXPECT_EQ(run.out.substr(24), c.line);
        EXPECT_EQ(bus.responder.asked, std::vector<int>{178});
    }
}

// A sensor at 178 that answers the angle query, the variable read and the
// variable write, each of them the way a case asks.
struct VariableSensor {
    enum class Fault { None, Silent, GarbledRead, NakAllWrites, NakSecondWrite, ForgetWrites, VanishOnWrite };

    std::string respond(const std::string& written) {
        for (unsigned char b : written) {
            if (b >= 0xB1 && frame.empty()) {
                address = b;
                continue;
            }
            if (address != 178 || fault == Fault::Silent) continue;
            if (b == 0x05) return bytes(kv275sim::angleReply(12.5));
            if (b == 0x11) {
                kv275sim::Bytes reply = kv275sim::variableReply(table);
                if (fault == Fault::GarbledRead) reply[1538] ^= 1;
                return bytes(reply);
            }
            if (b == 0x12 || !frame.empty()) frame += static_cast<char>(b);
            if (b == '$' && !frame.empty()) return write();
        }
        return {};
    }
    std::string write() {
        // DC2 STX nnn CR vvvvv CR ETB cc $
        const int number = std::stoi(frame.substr(2, 3));
        const int value = std::stoi(frame.substr(6, 5));
        frame.clear();
        ++writes;
        if (fault == Fault::NakAllWrites || (fault == Fault::NakSecondWrite && writes >= 2)) return "\x15";
        if (fault != Fault::ForgetWrites) table[static_cast<size_t>(number)] = value;
        return "\x06";
    }
    static std::string bytes(const kv275sim::Bytes& b) { return std::string(b.begin(), b.end()); }

    Fault fault = Fault::None;
    kv275sim::VariableTable table = kv275sim::defaultVariables(178);
    int address = 0;
    int writes = 0;
    std::string frame;
};

TEST(CliVars, EveryFailureOfATransferEndsInOneLineWithItsCause) {
    using F = VariableSensor::Fault;
    struct Case {
        Args args;
        F fault;
        int openError;
        std::string line;  // the start of the one error line
    };
    const std::string comError = "(COM Error: ";
    const std::vector<Case> cases = {
        {{"vars", "dump", "178"}, F::None, ENOENT,
         "kv275 vars dump: cannot open COM1 (Error: CCom.Open:No such file or directory)\n"},
        {{"vars", "dump", "178"}, F::Silent, 0, "kv275 vars dump: sensor 178 does not answer\n"},
        {{"vars", "dump", "178"}, F::GarbledRead, 0,
         "kv275 vars dump: sensor 178 did not send its variables " + comError +
             "ReadVariables:the variables could not be transmitted.)\n"},
        {{"vars", "set", "178", "V026=50", "V024=1"}, F::NakAllWrites, 0,
         "kv275 vars set: V024=1 not acknowledged by 178; nothing was written " + comError +
             "WriteVariable:the variable could not be transmitted.)\n"},
        {{"vars", "set", "178", "V026=50", "V024=1"}, F::NakSecondWrite, 0,
         "kv275 vars set: V026=50 not acknowledged by 178; written before it: V024=1 " + comError +
             "WriteVariable:the variable could not be transmitted.)\n"},
        {{"vars", "set", "178", "V026=50"}, F::ForgetWrites, 0,
         "kv275 vars set: read back V026=100 from 178 after writing 50\n"},
        {{"vars", "set", "178", "V026=50"}, F::VanishOnWrite, 0,
         "kv275 vars set: the adapter on COM1 is gone (Error: CCom.Write:Input/output error"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ScriptedBus bus;
        VariableSensor sensor;
        sensor.fault = c.fault;
        bus.line.openError = c.openError;
        bus.line.responder = [&](const std::string& written) {
            if (c.fault == F::VanishOnWrite && written == "\x12") bus.line.vanished = true;
            return sensor.respond(written);
        };
        const clitest::Run run = clitest::runCli(c.args);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.substr(0, c.line.size()), c.line);
        EXPECT_EQ(clitest::lines(run.err), 1u) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// Standard output that cannot be written (kv275 ... >/dev/full) fails every
// command that prints its result, not only some of them.
TEST(CliOutput, EveryCommandFailsWhenItsResultCannotBeWritten) {
    const std::vector<Args> cases = {
        {"scan", "--fast"},
        {"read", "178", "--count", "1"},
        {"times", "178", "--duration", "0.5"},
        {"vars", "dump", "178"},
    };
    for (const Args& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        ScriptedBus bus;
        VariableSensor sensor;
        bus.line.responder = [&](const std::string& written) { return sensor.respond(written); };
        std::ostringstream out;
        out.setstate(std::ios::badbit);
        std::ostringstream err;
        kvcli::Console console{out, err};
        const std::string command = args[0] == "vars" ? "vars dump" : args[0];
        EXPECT_EQ(kvcli::Main(args, console), 1);
        EXPECT_EQ(err.str(), "kv275 " + command + ": cannot write to standard output\n");
        EXPECT_FALSE(bus.line.isOpen);
    }
}

TEST(CliBoxes, PortErrorsWinAndEveryBoxBecomesPartOfOneLine) {
    using Boxes = std::vector<std::pair<std::string, std::string>>;
    const std::vector<std::pair<Boxes, std::string>> cases = {
        {{{"Error", "CCom.Open:No such file or directory"},
          {"COM Error", "COM Schnittstelle konnte nicht geöffnet werden."}},
         "Error: CCom.Open:No such file or directory"},
        {{{"COM Error", "ReadVariables:the variables could not be transmitted."}},
         "COM Error: ReadVariables:the variables could not be transmitted."},
        {{{"Device/COM Error", "Das Gerät funktioniert nicht wie erwartet.\nÜberprüfen Sie bitte das Gerät."},
          {"COM Message", "Data was only partially send."}},
         "Device/COM Error: Das Gerät funktioniert nicht wie erwartet. Überprüfen Sie bitte das Gerät.; "
         "COM Message: Data was only partially send."},
        {{{"Error", "CCom.Read:Input/output error"}, {"Error", "CCom.Read:Input/output error"}},
         "Error: CCom.Read:Input/output error"},
    };
    for (const auto& [boxes, line] : cases) {
        kvcli::BoxCollector collector;
        for (const auto& [title, text] : boxes)
            EXPECT_EQ(platform::MessageBox(nullptr, text, title, platform::MsgIcon::Error), platform::MsgResult::Ok);
        EXPECT_EQ(collector.Take(), line);
        EXPECT_TRUE(collector.empty());
    }
}

}  // namespace
