// kv275 ports over a USB to RS-485 adapter and two motherboard ports that a
// umockdev test bed shows in place of this machine's devices (the program
// runs under umockdev-wrapper), beside a simulator's pseudo-terminal and a
// directory of COMn entries of every kind.

#include "cli/port_access.h"
#include "platform/serial_device.h"
#include "sim/simulator.h"
#include "tests/cli/cli_run.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <umockdev.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

const std::string kById = "/dev/serial/by-id/usb-FTDI_USB-RS485_Cable_FT4VX9Q2-if00-port0";
const std::string kByPath = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";

std::string linkTarget(const std::string& path) {
    char buf[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : "";
}

class PortsOnTestBed : public ::testing::Test {
protected:
    void SetUp() override {
        const char* preload = std::getenv("LD_PRELOAD");
        ASSERT_TRUE(preload && std::string(preload).find("libumockdev-preload") != std::string::npos)
            << "run under umockdev-wrapper, as ctest does";
        bed = umockdev_testbed_new();
        GError* error = nullptr;
        const char* tree = KV_SOURCE_DIR "/tests/ports/usb_rs485_adapter.umockdev";
        ASSERT_TRUE(umockdev_testbed_add_from_file(bed, tree, &error)) << (error ? error->message : "");
    }
    void TearDown() override {
        if (bed) g_object_unref(bed);
    }
    // A simulator serving COM2 in the directory, in-process.
    void startSimulator() {
        kv275sim::SimulatorOptions o;
        o.directory = dir.path();
        o.ports = {"COM2"};
        sim = std::make_unique<kv275sim::Simulator>(o);
        sim->start();
        pts = linkTarget(dir.file("COM2"));
        ASSERT_EQ(pts.rfind("/dev/pts/", 0), 0u) << pts;
    }

    testsupport::TempDir dir;  // the current directory
    UMockdevTestbed* bed = nullptr;
    std::unique_ptr<kv275sim::Simulator> sim;
    std::string pts;
};

TEST_F(PortsOnTestBed, ListsTheAdapterByWhatItIsAndEveryComEntryByWhereItLeads) {
    startSimulator();
    ASSERT_EQ(symlink(kById.c_str(), "COM1"), 0);
    ASSERT_EQ(symlink("/dev/ttyUSB1", "COM3"), 0);  // an adapter not plugged in
    testsupport::writeFile(dir.file("COM4"), "");
    ASSERT_EQ(symlink("/dev/ttyS5", "COM5"), 0);  // a motherboard port without a chip

    const std::string adapter =
        kById + "  /dev/ttyUSB0  driver ftdi_sio  usb 0403:6001 \"FTDI\" \"USB-RS485 Cable\" serial FT4VX9Q2  "
                "latency timer 16 ms  may open  free  linked as COM1\n"
                "  latency timer above 1 ms: replies wait up to 16 ms in the adapter unless a program asks for low "
                "latency, as the tools do\n"
                "  for good, a udev rule (README, \"Real adapters\"): ACTION==\"add\", SUBSYSTEM==\"usb-serial\", "
                "DRIVER==\"ftdi_sio\", ATTR{latency_timer}=\"1\"\n";
    const std::string uart = "/dev/ttyS4  driver serial  may open  free  not linked here\n";
    const std::string entries = "COM2 -> " + pts + "  pseudo-terminal  free\n"
                                "COM3 -> /dev/ttyUSB1  leads nowhere: nothing is there\n"
                                "COM4  a file, not a link: the tools open it as it is\n";
    const std::string noUart = "COM5 -> /dev/ttyS5  a port with no UART behind it: nothing will answer\n";
    clitest::Run r = clitest::runCli({"ports"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, uart + adapter + entries + noUart);

    // The motherboard port without a UART comes with --all only; the virtual terminal never.
    r = clitest::runCli({"ports", "--all"});
    EXPECT_EQ(r.out, uart + "/dev/ttyS5  driver serial8250  no UART behind it  may open  free  linked as COM5\n" +
                         adapter + entries);

    r = clitest::runCli({"ports", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string noUsb = R"("usb_id":null,"vendor":null,"product":null,"serial":null,"latency_timer_ms":null,)";
    const std::string freeNotLinked = R"("uart":true,"may_open":true,"access_problem":null,"in_use_by":[],"links":[)";
    EXPECT_EQ(r.out, R"({"directory":")" + dir.path() + R"(","ports":[)" +
                         R"({"device":"/dev/ttyS4","stable_name":null,)" +
                         R"("names":["/dev/serial/by-path/acpi-PNP0501:00"],)" +
                         R"("driver":"serial",)" + noUsb + freeNotLinked + "]}," +
                         R"({"device":"/dev/ttyUSB0","stable_name":")" + kById + R"(","names":[")" + kById + R"(",")" +
                         kByPath + R"("],"driver":"ftdi_sio","usb_id":"0403:6001","vendor":"FTDI",)" +
                         R"("product":"USB-RS485 Cable","serial":"FT4VX9Q2","latency_timer_ms":16,)" +
                         freeNotLinked + R"("COM1"]}],)" +
                         R"("com_links":[{"name":"COM1","kind":"port","target":")" + kById +
                         R"(","leads_to":"/dev/ttyUSB0"},{"name":"COM2","kind":"pseudo-terminal","target":")" + pts +
                         R"(","leads_to":")" + pts + R"(","in_use_by":[]},)" +
                         R"({"name":"COM3","kind":"leads nowhere","target":"/dev/ttyUSB1",)" +
                         R"("leads_to":"/dev/ttyUSB1"},)" +
                         R"({"name":"COM4","kind":"not a link","target":null,"leads_to":null},)" +
                         R"({"name":"COM5","kind":"no UART","target":"/dev/ttyS5","leads_to":"/dev/ttyS5"}]})" + "\n");
}

TEST_F(PortsOnTestBed, APortAToolHoldsNamesTheProgramHoldingIt) {
    startSimulator();
    int err = 0;
    const std::unique_ptr<platform::SerialDevice> held = platform::openSerialDevice("COM2", err);
    ASSERT_TRUE(held) << err;
    std::string self;
    std::getline(std::ifstream("/proc/self/comm"), self);
    const clitest::Run r = clitest::runCli({"ports"});
    EXPECT_NE(r.out.find("COM2 -> " + pts + "  pseudo-terminal  in use by " + self + " (pid " +
                         std::to_string(getpid()) + ")\n"),
              std::string::npos)
        << r.out;
}

TEST_F(PortsOnTestBed, LinkLeadsComNToTheStableNameAndRefusesWhatItMustNotReplace) {
    testsupport::writeFile(dir.file("COM3"), "mine");
    const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", dir.path().c_str(), 1);
    const std::string d = dir.path();
    const std::string usage = " (usage: kv275 ports link N DEVICE [--dir DIR | --menu])\n";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;
        std::string err;
    } steps[] = {
        {{"ports", "link", "1", "ttyUSB0"}, 0, d + "/COM1 -> " + kById + "\n", ""},
        {{"ports", "link", "1", kByPath}, 0, d + "/COM1 -> " + kById + " (as it was)\n", ""},
        {{"ports", "link", "1", "/dev/ttyS4"}, 0, d + "/COM1 -> /dev/ttyS4 (replaced COM1 -> " + kById + ")\n", ""},
        {{"ports", "link", "4", "/dev/ttyUSB0", "--menu"}, 0, d + "/KV275/COM4 -> " + kById + "\n", ""},
        {{"ports", "link", "2", "/dev/ttyUSB7"}, 1, "",
         "kv275 ports link: no device /dev/ttyUSB7 (kv275 ports lists the serial ports)\n"},
        {{"ports", "link", "2", d + "/COM3"}, 1, "",
         "kv275 ports link: " + d + "/COM3 is not a serial device (kv275 ports lists them)\n"},
        {{"ports", "link", "3", "ttyUSB0"}, 1, "",
         "kv275 ports link: " + d + "/COM3 is not a link: left as it is (move it away to link COM3)\n"},
        {{"ports", "link", "2", "ttyUSB0", "--dir", "gone"}, 1, "", "kv275 ports link: no directory " + d + "/gone\n"},
        {{"ports", "link", "9", "ttyUSB0"}, 2, "", "kv275 ports link: N is a port number 1..8, not '9'" + usage},
        {{"ports", "link", "2", "ttyUSB0", "--dir", "x", "--menu"}, 2, "",
         "kv275 ports link: --dir and --menu exclude each other" + usage},
        {{"ports", "link", "2"}, 2, "", "kv275 ports link: no device given" + usage},
    };
    for (const auto& s : steps) {
        const clitest::Run r = clitest::runCli(s.args);
        EXPECT_EQ(r.status, s.status) << ::testing::PrintToString(s.args);
        EXPECT_EQ(r.out, s.out) << ::testing::PrintToString(s.args);
        EXPECT_EQ(r.err, s.err) << ::testing::PrintToString(s.args);
    }
    EXPECT_EQ(linkTarget("COM1"), "/dev/ttyS4");
    EXPECT_EQ(access("COM2", F_OK), -1);
    EXPECT_EQ(testsupport::readFile("COM3"), "mine");
    setenv("HOME", home.c_str(), 1);
}

TEST(PortAccess, SaysWhyAUserMayNotOpenAPortAndWhatToDo) {
    using F = kvcli::AccessFacts;
    const std::pair<F, std::string> cases[] = {
        {{true, "dialout", true, false, false}, ""},
        {{false, "dialout", true, false, false},
         "not in the dialout group (sudo adduser $USER dialout, then log in again)"},
        {{false, "dialout", true, false, true}, "in the dialout group from the next login (log out and in again)"},
        {{false, "dialout", true, true, true}, "no permission to open it, although in the dialout group"},
        {{false, "root", false, false, false}, "no permission to open it"},
    };
    for (const auto& [facts, text] : cases) EXPECT_EQ(kvcli::AccessProblem(facts), text) << text;
}

}  // namespace
