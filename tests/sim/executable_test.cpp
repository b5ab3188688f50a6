// The kv275sim program: options, exit codes, links and signals.

#include "tests/sim/line_client.h"
#include "tests/sim/tool_side_checks.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// Starts kv275sim with `args`, its output going to files in `dir`.
pid_t spawnSimulator(const testsupport::TempDir& dir, std::vector<std::string> args) {
    args.insert(args.begin(), KV275SIM_PATH);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, dir.file("stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, dir.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// The exit status, or -1 when it does not end within `seconds` (then it is killed).
int waitForExit(pid_t pid, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool waitForFile(const std::string& path, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!exists(path)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

TEST(Kv275simProgram, HelpExplainsTheOptionsAndExitsZero) {
    testsupport::TempDir dir;
    const pid_t pid = spawnSimulator(dir, {"--help"});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(waitForExit(pid, 10), 0);
    const std::string text = testsupport::readFile(dir.file("stdout"));
    for (const char* option : {"--dir", "--port", "--sensor", "--delay", "--baud", "--fault", "--log", "--ready-file"}) {
        EXPECT_NE(text.find(option), std::string::npos) << option;
    }
}

TEST(Kv275simProgram, BadOptionsExitTwoWithAMessage) {
    testsupport::TempDir dir;
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--bogus"}, {"--sensor", "12"}, {"--delay"}, {"--fault", "silence:2"}}) {
        const pid_t pid = spawnSimulator(dir, args);
        ASSERT_GT(pid, 0);
        EXPECT_EQ(waitForExit(pid, 10), 2) << args[0];
        EXPECT_NE(testsupport::readFile(dir.file("stderr")).find("kv275sim: "), std::string::npos) << args[0];
        EXPECT_FALSE(exists(dir.file("COM1")));
    }
}

TEST(Kv275simProgram, UnusableDirectoryExitsOne) {
    testsupport::TempDir dir;
    const pid_t pid = spawnSimulator(dir, {"--dir", dir.file("missing")});
    ASSERT_GT(pid, 0);
    EXPECT_EQ(waitForExit(pid, 10), 1);
    EXPECT_NE(testsupport::readFile(dir.file("stderr")).find("missing"), std::string::npos);
}

TEST(Kv275simProgram, ServesUntilASignalThenRemovesItsLinks) {
    for (const int signal : {SIGTERM, SIGINT}) {
        testsupport::TempDir dir;
        const pid_t pid = spawnSimulator(dir, {"--dir", dir.path(), "--port", "COM3", "--port", "COM4", "--sensor",
                                               "178:12.3", "--baud", "115200", "--delay", "1", "--ready-file",
                                               dir.file("ready")});
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(waitForFile(dir.file("ready"), 10)) << testsupport::readFile(dir.file("stderr"));
        const std::string ready = testsupport::readFile(dir.file("ready"));
        EXPECT_NE(ready.find(dir.file("COM3") + " -> /dev/"), std::string::npos) << ready;
        EXPECT_NE(ready.find(dir.file("COM4") + " -> /dev/"), std::string::npos) << ready;
        {
            simtest::LineClient line(dir.file("COM4"), 115200);
            ASSERT_TRUE(line.ok());
            const auto reply = line.ask({0xB2, 0x05}, 11);
            EXPECT_EQ(simtest::angleReplyProblem(reply), "");
            EXPECT_DOUBLE_EQ(simtest::decodeAngle(reply), 12.3);
        }
        kill(pid, signal);
        EXPECT_EQ(waitForExit(pid, 10), 0) << signal;
        EXPECT_FALSE(exists(dir.file("COM3")));
        EXPECT_FALSE(exists(dir.file("COM4")));
        EXPECT_FALSE(exists(dir.file("ready")));
    }
}

// A second simulator in the same directory used to take COM1 over silently
// and, when it ended, remove the link the first one still served.
TEST(Kv275simProgram, SecondSimulatorOnALivePortIsRefusedAndTheFirstKeepsServing) {
    testsupport::TempDir dir;
    const pid_t first = spawnSimulator(dir, {"--dir", dir.path(), "--sensor", "178:12.3", "--baud", "115200",
                                             "--ready-file", dir.file("ready")});
    ASSERT_GT(first, 0);
    ASSERT_TRUE(waitForFile(dir.file("ready"), 10)) << testsupport::readFile(dir.file("stderr"));
    char before[256] = {};
    ASSERT_GT(readlink(dir.file("COM1").c_str(), before, sizeof before - 1), 0);

    testsupport::TempDir outputs;  // the second one's stdout and stderr
    const pid_t second = spawnSimulator(outputs, {"--dir", dir.path(), "--sensor", "180:1.0"});
    ASSERT_GT(second, 0);
    EXPECT_EQ(waitForExit(second, 10), 1);
    EXPECT_NE(testsupport::readFile(outputs.file("stderr")).find("COM1 is in use by another simulator"),
              std::string::npos)
        << testsupport::readFile(outputs.file("stderr"));
    char after[256] = {};
    ASSERT_GT(readlink(dir.file("COM1").c_str(), after, sizeof after - 1), 0);
    EXPECT_STREQ(after, before);
    {
        simtest::LineClient line(dir.file("COM1"), 115200);
        ASSERT_TRUE(line.ok());
        EXPECT_DOUBLE_EQ(simtest::decodeAngle(line.ask({0xB2, 0x05}, 11)), 12.3);
    }

    // Killed without its clean-up, the first leaves a link to a pseudo-terminal
    // that is gone: that one may be taken over.
    kill(first, SIGKILL);
    waitForExit(first, 10);
    const pid_t third = spawnSimulator(outputs, {"--dir", dir.path(), "--sensor", "180:1.0", "--ready-file",
                                                 dir.file("ready3")});
    ASSERT_GT(third, 0);
    EXPECT_TRUE(waitForFile(dir.file("ready3"), 10)) << testsupport::readFile(outputs.file("stderr"));
    kill(third, SIGTERM);
    EXPECT_EQ(waitForExit(third, 10), 0);
}
