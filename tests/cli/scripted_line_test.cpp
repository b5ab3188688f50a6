// kv275 on the scripted line and the fake clock: how each address is asked,
// when sweeps start and end, and how every failure becomes one line.

#include "cli/box_collector.h"
#include "cli/dump_file.h"
#include "sim/frames.h"
#include "sim/sensor.h"
#include "tests/cli/cli_run.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/sensor_bus_responder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <regex>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

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
// a fast one asks once and leaves it, asks 180 again to confirm it and
// listens once after the last address. Neither sends a NAK after its last
// read: the repeated reply would meet the next request.
TEST(CliScan, EachAddressIsAskedWithTheAttemptsAndReadLimitOfItsScan) {
    struct Case {
        Args args;
        bool terminal;
        platform::CommTimeouts timeouts;  // while 179 is asked
        uint32_t baud;
        size_t reads;
        size_t naks;
        size_t asked;
        std::string found;
    };
    const std::vector<Case> cases = {
        {{"scan"}, false, {200, 7, 124, 0, 0}, 9600, 76 * 2 + 1 + 2, 76 + 1, 78, "180,255"},
        {{"scan", "--fast"}, true, {0, 0, 30, 0, 0}, 9600, 78 + 1 + 1, 0, 79, "180"},
        {{"scan", "--fast", "--timeout", "80"}, false, {0, 0, 80, 0, 0}, 9600, 78 + 1 + 1, 0, 79, "180"},
        {{"scan", "--fast", "--baud", "115200"}, false, {0, 0, 19, 0, 0}, 115200, 78 + 1 + 1, 0, 79, "180"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args));
        ScriptedBus bus;
        bus.responder.angles = {{180, 12.5}, {255, 45.0}};
        bus.responder.badRepliesBefore[255] = 1;
        platform::CommTimeouts asking179{};
        bus.line.responder = [&](const std::string& written) {
            if (written == "\xB3") asking179 = bus.line.timeouts;
            return bus.responder.respond(written);
        };
        const clitest::Run run = clitest::runCli(c.args, c.terminal);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(asking179, c.timeouts);
        EXPECT_EQ(bus.line.dcb.BaudRate, c.baud);
        EXPECT_EQ(bus.count("read 11 got 0") + bus.count("read 11 got 11"), c.reads);
        EXPECT_EQ(bus.count("write 15"), c.naks);
        EXPECT_EQ(bus.responder.asked.size(), c.asked);
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

// A sensor (at 178 until its V063 is written) that answers the angle query,
// the variable read and the variable write, each of them the way a case
// asks, there and at 177; another sensor at 190 only answers the angle query.
struct VariableSensor {
    enum class Fault { None, Silent, GarbledRead, NakAllWrites, NakSecondWrite, ForgetWrites, VanishOnWrite };

    std::string respond(const std::string& written) {
        for (unsigned char b : written) {
            if (b >= 0xB1 && frame.empty()) {
                address = b;
                continue;
            }
            if (b == 0x05 && address == 190) return bytes(kv275sim::angleReply(1.0));
            if ((address != table[63] && address != 177) || fault == Fault::Silent) continue;
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
         "kv275 vars dump: cannot open COM1 (/dev/ttyS0) (Error: CCom.Open:No such file or directory)\n"},
        {{"vars", "dump", "178"}, F::Silent, 0, "kv275 vars dump: sensor 178 does not answer\n"},
        {{"vars", "dump", "178"}, F::GarbledRead, 0,
         "kv275 vars dump: sensor 178 did not send its variables " + comError +
             "ReadVariables:the variables could not be transmitted.)\n"},
        // Only the acknowledgement may have been lost: never "nothing was written".
        {{"vars", "set", "178", "V026=50", "V024=1"}, F::NakAllWrites, 0,
         "kv275 vars set: V024=1 not acknowledged at 178: the sensor may have taken it all the same " + comError +
             "WriteVariable:the variable could not be transmitted.)\n"},
        {{"vars", "set", "178", "V026=50", "V024=1"}, F::NakSecondWrite, 0,
         "kv275 vars set: V026=50 not acknowledged at 178: the sensor may have taken it all the same; written "
         "before it: V024=1 " + comError},
        {{"vars", "set", "178", "V026=50"}, F::ForgetWrites, 0,
         "kv275 vars set: read back V026=100 from 178 after writing 50\n"},
        // Gone at the second write: the first is told all the same.
        {{"vars", "set", "178", "V026=50", "V024=1"}, F::VanishOnWrite, 0,
         "kv275 vars set: the adapter on COM1 (/dev/ttyS0) is gone; written before it: V024=1 (Error: CCom.Write:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ScriptedBus bus;
        VariableSensor sensor;
        sensor.fault = c.fault;
        bus.line.openError = c.openError;
        bus.line.responder = [&](const std::string& written) {
            if (c.fault == F::VanishOnWrite && written == "\x12" && sensor.writes == 1) bus.line.vanished = true;
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
// command that prints its result, not only some of them; vars diff with 2,
// as its 1 means "the dumps differ".
TEST(CliOutput, EveryCommandFailsWhenItsResultCannotBeWritten) {
    testsupport::TempDir dir;
    testsupport::writeFile("a.dump", kvcli::FormatDump(kv275sim::defaultVariables(178), {}));
    testsupport::writeFile("b.dump", kvcli::FormatDump(kv275sim::defaultVariables(190), {}));
    const std::vector<Args> cases = {
        {"scan", "--fast"},
        {"read", "178", "--count", "1"},
        {"times", "178", "--duration", "0.5"},
        {"vars", "dump", "178"},
        {"vars", "set", "178", "V026=50"},
        {"vars", "diff", "a.dump", "b.dump"},
        {"--help"},
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
        const std::string command = args[0] == "--help" ? "" : args[0] == "vars" ? " vars " + args[1] : " " + args[0];
        EXPECT_EQ(kvcli::Main(args, console), args.back() == "b.dump" ? 2 : 1);
        EXPECT_EQ(err.str().rfind("kv275" + command + ": cannot write to standard output", 0), 0u) << err.str();
        EXPECT_EQ(clitest::lines(err.str()), 1u);
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

// What kv275 refuses, or finishes, so that no byte reaches the bus that is
// not a request, no two sensors end up on one address, and no file or
// terminal gets what is not meant for it.
TEST(CliGuards, NothingGoesWhereTheUserDidNotMeanIt) {
    struct Case {
        const char* guard;
        Args args;
        std::map<std::string, std::string> files;  // made first, the same afterwards
        int stopAfterWrites = -1;                  // Ctrl+C once so many writes were taken (0: at once)
        bool outputClosed = false;                 // run as a program with standard output closed
        int status = 0;
        std::string err;  // all of standard error; DIR for the current directory
        std::string out;
        int writes = 0;
        bool busTouched = false;
    };
// g++ 12 takes members left to their defaults in designated initializers for forgotten ones.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
    const std::vector<Case> cases = {
        {.guard = "two sensors on one address", .args = {"vars", "set", "178", "V063=190", "--move"}, .status = 1,
         .err = "kv275 vars set: a sensor already answers at 190: moving 178 there would put two sensors on one "
                "address\n", .busTouched = true},
        {.guard = "Ctrl+C before", .args = {"vars", "set", "178", "V024=1", "V026=50"}, .stopAfterWrites = 0,
         .status = 1, .err = "kv275 vars set: cancelled by Ctrl+C before the first write: nothing was written\n",
         .busTouched = true},
        {.guard = "Ctrl+C after a write", .args = {"vars", "set", "178", "V024=1", "V026=50"}, .stopAfterWrites = 1,
         .err = "kv275 vars set: Ctrl+C: the writes begun are finished first, the address last\n",
         .out = "sensor 178: V024=1 V026=50 written and read back\n", .writes = 2, .busTouched = true},
        {.guard = "V063 through 177 without --move", .args = {"vars", "restore", "177", "--all", "s.dump"},
         .files = {{"s.dump", kvcli::FormatDump(kv275sim::defaultVariables(190), {})}},
         .out = "sensor 177: V024=3 V025=2 V026=100 V064=100 written and read back; V063=190 of the dump left out "
                "(--move writes it)\n",
         .writes = 4, .busTouched = true},
        {.guard = "a CSV onto a device", .args = {"read", "178", "--csv", "/dev/null"}, .status = 2,
         .err = "kv275 read: /dev/null is not a regular file: a CSV log is a file of its own\n"},
        {.guard = "rows in a file that is not kv275's", .args = {"read", "178", "--csv", "data.csv"},
         .files = {{"data.csv", "a,b\n1,2\n"}}, .status = 2,
         .err = "kv275 read: data.csv does not begin with kv275's header line "
                "time,address,angle,answer_ms,bad_replies: not appending to it\n"},
        {.guard = "requests into a regular file, and a new CSV left by a port that did not open",
         .args = {"read", "178", "--csv", "new.csv"}, .files = {{"COM1", ""}}, .status = 1,
         .err = "kv275 read: COM1 (DIR/COM1) is not a serial device\n"},
        {.guard = "a dump's control characters on the terminal", .args = {"vars", "restore", "178", "evil.dump"},
         .files = {{"evil.dump", "V000=1\nV\x1b[2J=5\n"}}, .status = 2,
         .err = "kv275 vars restore: evil.dump:2: 'V\\x1B[2J=5' is not an assignment like V026=50\n"},
        {.guard = "readings onto the bus where standard output was", .args = {"read", "178", "--count", "2"},
         .outputClosed = true, .status = 1, .err = "kv275 read: standard output is closed\n"},
    };
#pragma GCC diagnostic pop
    for (const Case& c : cases) {
        SCOPED_TRACE(c.guard);
        testsupport::TempDir dir;
        for (const auto& [name, text] : c.files) testsupport::writeFile(name, text);
        ScriptedBus bus;
        VariableSensor sensor;
        std::atomic<bool> stop{c.stopAfterWrites == 0};
        bus.line.responder = [&](const std::string& written) {
            const std::string reply = sensor.respond(written);
            if (sensor.writes == c.stopAfterWrites) stop = true;
            return reply;
        };
        std::ostringstream out;
        std::ostringstream err;
        kvcli::Console console{out, err, false, &stop};
        int status = -1;
        if (c.outputClosed) {
            // As a program of its own (closing standard output here would
            // close it for the test too), COM1 a pseudo-terminal whose other
            // end shows what reached it.
            const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
            ASSERT_TRUE(master >= 0 && !grantpt(master) && !unlockpt(master) && !symlink(ptsname(master), "COM1"));
            std::string command = KV275_PATH;
            for (const std::string& a : c.args) command += " " + a;
            const int exit = std::system((command + " >&- 2>stderr").c_str());
            status = WIFEXITED(exit) ? WEXITSTATUS(exit) : -1;
            char bytes[256];  // what reached the bus
            const ssize_t n = read(master, bytes, sizeof bytes);
            bus.line.written.assign(bytes, n > 0 ? static_cast<size_t>(n) : 0);
            close(master);
            err << testsupport::readFile("stderr");
        } else {
            status = kvcli::Main(c.args, console);
        }
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(err.str(), std::regex_replace(c.err, std::regex("DIR"), std::filesystem::canonical(".").string()));
        EXPECT_EQ(out.str(), c.out);
        EXPECT_EQ(sensor.writes, c.writes);
        EXPECT_EQ(!bus.line.written.empty(), c.busTouched) << testsupport::hexBytes(bus.line.written);
        for (const auto& [name, text] : c.files) EXPECT_EQ(testsupport::readFile(name), text) << name;
        EXPECT_FALSE(std::filesystem::exists("new.csv"));
    }
}

}  // namespace
