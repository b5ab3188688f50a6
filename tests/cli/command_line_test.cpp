// kv275's command line: what it accepts, and that whatever it refuses ends
// in one line and status 2 before any port is opened.

#include "cli/command_line.h"
#include "tests/cli/cli_run.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace {

using Args = std::vector<std::string>;

std::string describe(const kvcli::CommandLine& c) {
    std::ostringstream s;
    s << "port=" << c.port << " baud=" << c.baud << " ";
    auto opt = [](const auto& o) { return o ? std::to_string(*o) : std::string("-"); };
    if (auto* h = std::get_if<kvcli::HelpRequest>(&c.args)) s << "help:" << h->topic;
    if (std::get_if<kvcli::VersionRequest>(&c.args)) s << "version";
    if (auto* a = std::get_if<kvcli::ScanArgs>(&c.args))
        s << "scan fast=" << a->fast << " timeout=" << opt(a->timeoutMs);
    auto list = [](const std::vector<int>& v) {
        std::string t;
        for (int a : v) t += (t.empty() ? "" : ",") + std::to_string(a);
        return t;
    };
    if (auto* r = std::get_if<kvcli::ReadArgs>(&c.args)) {
        s << "read " << list(r->addresses) << " interval=" << r->intervalMs << " count=" << opt(r->count)
          << " duration=" << opt(r->durationMs) << " csv=" << r->csvFile;
        if (const auto& m = r->mqtt)
            s << " mqtt=" << m->Url() << " ca=" << m->caFile << " user=" << m->user << " pwfile=" << m->passwordFile
              << " topic=" << m->topicPrefix << " qos=" << m->qos;
    }
    if (auto* t = std::get_if<kvcli::TimesArgs>(&c.args))
        s << "times " << list(t->addresses) << " duration=" << t->durationMs << " json=" << t->json;
    if (auto* d = std::get_if<kvcli::VarsDumpArgs>(&c.args)) s << "dump " << d->address << " json=" << d->json;
    if (auto* v = std::get_if<kvcli::VarsSetArgs>(&c.args)) {
        s << "set " << v->address;
        for (const kvcli::Assignment& a : v->assignments) s << " V" << a.variable << "=" << a.value;
        s << " all=" << v->all << " move=" << v->move;
    }
    if (auto* r = std::get_if<kvcli::VarsRestoreArgs>(&c.args))
        s << "restore " << r->address << " " << r->file << " all=" << r->all << " move=" << r->move;
    if (auto* d = std::get_if<kvcli::VarsDiffArgs>(&c.args)) s << "diff " << d->first << " " << d->second;
    return s.str();
}

TEST(CliCommandLine, GoodLinesGiveTheirCommandWithEveryValueInItsUnit) {
    const std::vector<std::pair<Args, std::string>> cases = {
        {{"scan"}, "port=1 baud=9600 scan fast=0 timeout=-"},
        {{"scan", "--fast", "--timeout=80", "--port", "4", "--baud", "115200"},
         "port=4 baud=115200 scan fast=1 timeout=80"},
        {{"read", "178", "0xB4", "hFF", "--interval", "250", "--duration", ".25", "--csv", "x.csv"},
         "port=1 baud=9600 read 178,180,255 interval=250 count=- duration=250 csv=x.csv"},
        {{"read", "177", "--count", "5"}, "port=1 baud=9600 read 177 interval=0 count=5 duration=- csv="},
        {{"read", "178", "--mqtt", "mqtts://[::1]/", "--mqtt-ca", "ca.pem", "--mqtt-user", "kv", "--mqtt-password-file",
          "pw", "--topic", "site/a", "--qos", "0"},
         "port=1 baud=9600 read 178 interval=0 count=- duration=- csv= mqtt=mqtts://[::1]:8883 ca=ca.pem user=kv "
         "pwfile=pw topic=site/a qos=0"},
        {{"read", "178", "--mqtt", "mqtt://broker.lan:1884"},
         "port=1 baud=9600 read 178 interval=0 count=- duration=- csv= mqtt=mqtt://broker.lan:1884 ca= user= pwfile= "
         "topic= qos=1"},
        {{"times", "hb2", "0XC8", "--duration", "2.5", "--json"},
         "port=1 baud=9600 times 178,200 duration=2500 json=1"},
        {{"vars", "dump", "178", "--port=2"}, "port=2 baud=9600 dump 178 json=0"},
        {{"vars", "set", "177", "--all", "v24=3", "V026=50", "V064=0"},
         "port=1 baud=9600 set 177 V24=3 V26=50 V64=0 all=1 move=0"},
        {{"vars", "set", "178", "V063=190", "--move"}, "port=1 baud=9600 set 178 V63=190 all=0 move=1"},
        {{"vars", "restore", "178", "a.dump", "--move"}, "port=1 baud=9600 restore 178 a.dump all=0 move=1"},
        {{"vars", "diff", "a", "b"}, "port=1 baud=9600 diff a b"},
        // Help and the version win over anything else on the line.
        {{"read", "300", "--help"}, "port=1 baud=9600 help:read"},
        {{"vars", "-h"}, "port=1 baud=9600 help:vars"},
        {{"help", "times"}, "port=1 baud=9600 help:times"},
        {{"--help"}, "port=1 baud=9600 help:"},
        {{"times", "178", "--version"}, "port=1 baud=9600 version"},
    };
    for (const auto& [args, expected] : cases)
        EXPECT_EQ(describe(kvcli::ParseCommandLine(args)), expected) << ::testing::PrintToString(args);
}

TEST(CliCommandLine, BadLinesGetOneUsageLineAndStatus2WithoutTouchingThePort) {
    testsupport::TempDir dir;
    testsupport::FakeSerialLine line;  // any open would be logged here
    line.install();
    const std::vector<std::pair<Args, std::string>> cases = {
        {{}, "kv275: no command given"},
        {{"frobnicate"}, "kv275: unknown command 'frobnicate'"},
        {{"--port", "2", "scan"}, "the command comes first"},
        {{"help", "frob"}, "no help on 'frob'"},
        {{"read"}, "kv275 read: no address given"},
        {{"read", "300"}, "address 300 is outside 177..255"},
        {{"read", "176"}, "address 176 is outside 177..255"},
        {{"read", "0x100"}, "address 0x100 is outside 177..255"},
        {{"read", "abc"}, "'abc' is not a bus address"},
        {{"read", "0xZZ"}, "'0xZZ' is not a bus address"},
        {{"read", "178", "hB2"}, "address 178 given twice"},
        {{"read", "177", "178"}, "177 reaches every sensor"},
        {{"read", "178", "--count", "0"}, "--count wants sweeps 1..1000000000, not '0'"},
        {{"read", "178", "--count", "3", "--duration", "1"}, "exclude each other"},
        {{"read", "178", "--interval"}, "--interval needs a value"},
        {{"read", "178", "--interval", "-5"}, "--interval wants ms"},
        {{"read", "178", "--bogus"}, "unknown option '--bogus'"},
        {{"read", "178", "-x"}, "unknown option '-x'"},
        {{"read", "178", "--csv", "/nonexistent-kv275-dir/x.csv"}, "cannot open /nonexistent-kv275-dir/x.csv"},
        {{"read", "178", "--topic", "t"}, "--topic goes with --mqtt"},
        {{"read", "178", "--mqtt", "tcp://h"}, "--mqtt wants mqtt://HOST[:PORT] or mqtts://HOST[:PORT], not 'tcp://h'"},
        {{"read", "178", "--mqtt", "mqtt://kv:secret@h"}, "no user or password in --mqtt"},
        {{"read", "178", "--mqtt", "mqtt://h:0"}, "the port must be 1..65535"},
        {{"read", "178", "--mqtt", "mqtt://::1"}, "an IPv6 address goes in brackets"},
        {{"read", "178", "--mqtt", "mqtt://h", "--mqtt-password", "secret"}, "a password on the command line"},
        {{"read", "178", "--mqtt", "mqtt://h", "--mqtt-ca", "ca.pem"}, "--mqtt-ca goes with an mqtts:// broker"},
        {{"read", "178", "--mqtt", "mqtt://h", "--mqtt-password-file", "pw"}, "goes with --mqtt-user"},
        {{"read", "178", "--mqtt", "mqtt://h", "--qos", "2"}, "--qos wants a level 0..1, not '2'"},
        {{"read", "178", "--mqtt", "mqtt://h", "--topic", "site/#"}, "holds a wildcard"},
        {{"read", "178", "--mqtt", "mqtt://h", "--topic", "site/"}, "ends with '/'"},
        {{"read", "178", "--mqtt", "mqtts://h", "--mqtt-ca", "/nonexistent-kv275-ca.pem"},
         "cannot read the certificate file /nonexistent-kv275-ca.pem"},
        {{"scan", "--port", "5"}, "--port wants a port number 1..4, not '5'"},
        {{"scan", "--port", "0"}, "--port wants a port number 1..4"},
        {{"scan", "--baud", "9601"}, "--baud wants one of"},
        {{"scan", "--timeout", "50"}, "--timeout goes with --fast"},
        {{"scan", "--fast", "--timeout", "0"}, "--timeout wants ms 1..60000"},
        {{"scan", "--fast=1"}, "--fast takes no value"},
        {{"scan", "--fast", "--fast"}, "--fast given twice"},
        {{"scan", "extra"}, "unexpected argument 'extra'"},
        {{"times", "178"}, "--duration is required"},
        {{"times", "178", "--duration", "0"}, "--duration wants seconds above 0"},
        {{"times", "178", "--duration", "1.2345"}, "--duration wants seconds"},
        {{"times", "178", "--duration", "1."}, "--duration wants seconds"},
        {{"vars"}, "kv275 vars: say what to do"},
        {{"vars", "frob", "178"}, "unknown vars command 'frob'"},
        {{"vars", "dump"}, "kv275 vars dump: no address given"},
        {{"vars", "dump", "178", "179"}, "unexpected argument '179'"},
        {{"vars", "set", "178"}, "nothing to write"},
        {{"vars", "set", "178", "V256=1"}, "variable V256 is over V255"},
        {{"vars", "set", "178", "V030=1"}, "V030 is not written by kv275"},
        {{"vars", "set", "178", "V024=5"}, "V024=5 is outside 1..4"},
        {{"vars", "set", "178", "V025=-1"}, "V025=-1 is outside 0..2"},
        {{"vars", "set", "178", "V026=32768"}, "V026=32768 is outside 1..32767"},
        {{"vars", "set", "178", "V024=99999999999"}, "does not fit 32 bits"},
        {{"vars", "set", "178", "V024"}, "'V024' is not an assignment"},
        {{"vars", "set", "178", "V024=3", "V024=2"}, "V024 given twice"},
        {{"vars", "set", "178", "V063=190"}, "give --move to mean it"},
        {{"vars", "set", "178", "V063=177", "--move"}, "V063=177 is outside 178..255"},
        {{"vars", "set", "177", "V024=3"}, "give --all to mean it"},
        {{"vars", "set", "178", "--all", "V024=3"}, "--all goes with address 177 only"},
        {{"vars", "restore", "177", "a.dump"}, "give --all to mean it"},
        {{"vars", "restore", "178"}, "no dump file given"},
        {{"vars", "restore", "178", "missing.dump"}, "missing.dump: No such file or directory"},
        {{"vars", "diff", "a"}, "two dump files are needed"},
    };
    for (const auto& [args, message] : cases) {
        const clitest::Run run = clitest::runCli(args);
        SCOPED_TRACE(::testing::PrintToString(args));
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(clitest::lines(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(line.openCount, 0);
    EXPECT_TRUE(line.log.empty());
}

TEST(CliCommandLine, UsageMessageCarriesTheCommandsSynopsis) {
    const clitest::Run run = clitest::runCli({"vars", "set", "178", "V030=1"});
    EXPECT_EQ(run.err.substr(run.err.find("(usage: ")),
              "(usage: kv275 vars set ADDR VNNN=VALUE... [--all] [--move] [--port N] [--baud N])\n");
}

TEST(CliCommandLine, VersionIsTheProjectsVersion) {
    const std::string cmake = testsupport::readFile(KV_SOURCE_DIR "/CMakeLists.txt");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(cmake, m, std::regex(R"(project\(\w+ VERSION ([0-9.]+))")));
    const clitest::Run run = clitest::runCli({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "kv275 " + m[1].str() + "\n");
}

}  // namespace
