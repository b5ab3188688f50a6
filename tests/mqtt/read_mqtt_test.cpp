// kv275 read --mqtt against a real mosquitto that each test starts on a free
// port and ends: what a subscriber gets, what the broker keeps for later
// subscribers, the last will of a killed reader, a broker restart in the
// middle of a run, and the brokers that cannot be used.

#include "bench/local_broker.h"
#include "tests/cli/cli_run.h"
#include "tests/mqtt/subscriber.h"
#include "tests/support/simulated_bus.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace {

using mqtttest::Message;
using mqtttest::Subscriber;
using Messages = std::vector<Message>;

// "topic payload" a line, "(retained)" after those the broker kept.
std::string text(Messages messages, bool sorted = false) {
    std::vector<std::string> lines;
    for (const Message& m : messages) lines.push_back(m.topic + " " + m.payload + (m.retained ? " (retained)" : ""));
    if (sorted) std::sort(lines.begin(), lines.end());
    std::string all;
    for (const std::string& l : lines) all += l + "\n";
    return all;
}

bool endsOffline(const Messages& m) { return !m.empty() && m.back().payload == "offline"; }

class MqttRead : public ::testing::Test {
protected:
    void startBus(std::vector<kv275sim::FaultRule> faults = {}) {
        kv275sim::SimulatorOptions o;
        o.directory = dir.path();
        o.sensors = {{178, kv275sim::AngleMotion::fixed(12.5)}, {200, kv275sim::AngleMotion::fixed(45.25)}};
        o.faults = std::move(faults);
        o.seed = 7;
        bus = std::make_unique<testsupport::SimulatedBus>(o);
    }
    clitest::Run read(std::vector<std::string> args) {
        args.insert(args.begin(), "read");
        args.insert(args.end(), {"--baud", "115200", "--mqtt", broker->url(), "--topic", "t"});
        return clitest::runCli(args);
    }

    testsupport::TempDir dir;  // current directory: COM1 is the simulator's link
    std::unique_ptr<bench::LocalBroker> broker = std::make_unique<bench::LocalBroker>(dir.path());
    std::unique_ptr<testsupport::SimulatedBus> bus;
};

TEST_F(MqttRead, EachReadingIsRetainedJsonUnderItsAddressBetweenOnlineAndOffline) {
    startBus({{kv275sim::FaultKind::Silence, 1.0, 200}});
    Subscriber live(broker->port(), "t/#");
    const clitest::Run r = read({"178", "200", "--count", "3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "kv275 read: 6 readings published to " + broker->url() +
                         ", 0 dropped\nkv275 read: no valid answer from 200 in 3 sweeps\n");
    EXPECT_EQ(clitest::lines(r.out), 3u);

    const Messages got = live.WaitFor(endsOffline);
    const std::string time = R"(\{"time":"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z",)";
    const std::string sweep = "t/COM1/178 " + time + R"("address":178,"angle":12\.50,"answer_ms":\d+,"bad":0\}\n)" +
                              "t/COM1/200 " + time + R"("address":200,"angle":null,"answer_ms":\d+,"bad":3\}\n)";
    const std::regex all("t/COM1/status online\n(" + sweep + "){3}t/COM1/status offline\n");
    EXPECT_TRUE(std::regex_match(text(got), all)) << text(got);

    // A subscriber who comes later gets the last reading of each sensor and the status at once.
    ASSERT_EQ(got.size(), 8u);
    Subscriber late(broker->port(), "t/#");
    const Messages kept = late.WaitFor([](const Messages& m) { return m.size() >= 3; });
    Messages expected{got[5], got[6], got[7]};
    for (Message& m : expected) m.retained = true;
    EXPECT_EQ(text(kept, true), text(expected, true));
}

TEST_F(MqttRead, KilledReaderLeavesOfflineAsItsLastWill) {
    startBus();
    Subscriber live(broker->port(), "t/#");
    const pid_t reader = bench::Spawn(
        {KV275_PATH, "read", "178", "--baud", "115200", "--mqtt", broker->url(), "--topic", "t"},
        dir.file("kv275.log"));
    live.WaitFor([](const Messages& m) { return m.size() >= 3; });
    kill(reader, SIGKILL);
    waitpid(reader, nullptr, 0);
    EXPECT_EQ(text({live.WaitFor(endsOffline).back()}), "t/COM1/status offline\n");
    Subscriber late(broker->port(), "t/COM1/status");
    EXPECT_EQ(text(late.WaitFor([](const Messages& m) { return !m.empty(); })), "t/COM1/status offline (retained)\n");
}

TEST_F(MqttRead, ReadingsTakenWhileTheBrokerRestartsArriveAfterItInOrderAndNoneIsDropped) {
    // The broker keeps the test's durable subscription across its restart.
    broker.reset();
    broker = std::make_unique<bench::LocalBroker>(
        dir.path(), "allow_anonymous true\npersistence true\npersistence_location " + dir.path() + "/\n");
    startBus();
    Subscriber live(broker->port(), "t/COM1/178", "kv275-test");
    clitest::Run r;
    std::thread reader([&] { r = read({"178", "--count", "40", "--interval", "50"}); });
    live.WaitFor([](const Messages& m) { return m.size() >= 5; });
    broker->Stop();
    const uint64_t before = bus->sim().bus().counters().angleQueries;
    for (int i = 0; i < 2000 && bus->sim().bus().counters().angleQueries < before + 5; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    broker->Start();
    reader.join();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "kv275 read: 40 readings published to " + broker->url() + ", 0 dropped\n");

    // At least once: a reading may come twice, but each first time in order.
    auto distinct = [](const Messages& m) {
        std::vector<std::string> times;
        for (const Message& x : m)
            if (std::find(times.begin(), times.end(), x.payload.substr(9, 24)) == times.end())
                times.push_back(x.payload.substr(9, 24));
        return times;
    };
    const std::vector<std::string> times =
        distinct(live.WaitFor([&](const Messages& m) { return distinct(m).size() >= 40; }));
    EXPECT_EQ(times.size(), 40u);
    EXPECT_TRUE(std::is_sorted(times.begin(), times.end()));
    EXPECT_EQ(std::set<std::string>(times.begin(), times.end()).size(), times.size());
}

TEST_F(MqttRead, BrokerThatCannotBeUsedIsSaidInOneLineBeforeThePortIsOpened) {
    // COM1 leads nowhere: a reader that opened the port first would say that instead.
    ASSERT_EQ(symlink("/dev/kv275-no-adapter", dir.file("COM1").c_str()), 0);
    ASSERT_EQ(bench::RunProgram({bench::BrokerProgram("mosquitto_passwd"), "-c", "-b",
                                       dir.file("passwords"), "kv", "secret"},
                                      dir.file("passwd.log")),
              0);
    broker.reset();
    broker = std::make_unique<bench::LocalBroker>(
        dir.path(), "allow_anonymous false\npassword_file " + dir.file("passwords") + "\n");
    testsupport::writeFile(dir.file("right.txt"), "secret\n");
    testsupport::writeFile(dir.file("wrong.txt"), "guess\n");
    const std::string url = broker->url();
    const std::string closed = "mqtt://127.0.0.1:" + std::to_string(bench::FreePort());
    const std::string refused =
        "kv275 read: the MQTT broker " + url + " refused the connection (Connection Refused: not authorised.)\n";
    const std::string portFirst = "kv275 read: cannot open COM1 (/dev/kv275-no-adapter)";
    struct Case {
        std::string url;
        std::vector<std::string> options;
        const char* passwordVariable;
        int status;
        std::string err;  // or how it begins
    };
    const std::vector<Case> cases = {
        {closed, {}, nullptr, 1, "kv275 read: cannot reach the MQTT broker " + closed + " (Connection refused)\n"},
        {url, {}, nullptr, 1, refused},
        {url, {"--mqtt-user", "kv", "--mqtt-password-file", "wrong.txt"}, "secret", 1, refused},
        {url, {"--mqtt-user", "kv", "--mqtt-password-file", "right.txt"}, nullptr, 1, portFirst},
        {url, {"--mqtt-user", "kv"}, "secret", 1, portFirst},
        {url, {"--mqtt-user", "kv", "--mqtt-password-file", "gone.txt"}, "secret", 2,
         "kv275 read: cannot read the password file gone.txt: No such file or directory\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args{"read", "178", "--csv", "new.csv", "--mqtt", c.url};
        args.insert(args.end(), c.options.begin(), c.options.end());
        SCOPED_TRACE(::testing::PrintToString(args));
        if (c.passwordVariable) setenv("KV275_MQTT_PASSWORD", c.passwordVariable, 1);
        else unsetenv("KV275_MQTT_PASSWORD");
        const clitest::Run r = clitest::runCli(args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
        EXPECT_EQ(clitest::lines(r.err), 1u) << r.err;
        struct stat st {};
        EXPECT_NE(stat(dir.file("new.csv").c_str(), &st), 0) << "a run that did not start left its CSV file";
    }
    unsetenv("KV275_MQTT_PASSWORD");
}

}  // namespace
