// Start-up of the four desktop tools: from the moment a tool is started to
// its window on the screen (mapped by the X server), under an X server of the
// benchmark's own (Xvfb, started with -noreset so that no reset falls between
// two runs). Each tool starts in a directory whose settings files hold the
// defaults, as after a first save, so no box comes before the window. The
// median of the runs must stay under 100 ms; the processor time each start
// used is printed beside it.

#include "scan/scan_settings.h"
#include "setup/setup_settings.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kGoalMs = 100.0;
constexpr int kRuns = 15;
constexpr int kWaitForWindowMs = 10000;

struct Tool {
    const char* name;
    const char* path;
};

const Tool kTools[] = {{"KV275Scan", KV275SCAN_PATH},
                       {"KV275Times", KV275TIMES_PATH},
                       {"KV275Setup", KV275SETUP_PATH},
                       {"Tiltview", TILTVIEW_PATH},
                       {"KV275Monitor", KV275MONITOR_PATH}};

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Xvfb on a display number it chooses itself (-displayfd), so the benchmark
// never takes a display that is in use.
class XServer {
public:
    XServer() {
        int fds[2];
        if (pipe(fds) != 0) fail("pipe");
        pid_ = fork();
        if (pid_ < 0) fail("fork");
        if (pid_ == 0) {
            ::close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-nolisten", "tcp", "-screen", "0",
                   "1280x1024x24", static_cast<char*>(nullptr));
            std::perror("Xvfb");
            _exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (number.empty()) fail("Xvfb gave no display");
        display_ = ":" + number;
    }
    ~XServer() {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    const std::string& display() const { return display_; }

    [[noreturn]] static void fail(const char* what) {
        std::fprintf(stderr, "bench_startup: %s: %s\n", what, std::strerror(errno));
        std::exit(1);
    }

private:
    pid_t pid_ = -1;
    std::string display_;
};

// Watches the root window for top-level windows being mapped.
class MapWatcher {
public:
    explicit MapWatcher(const std::string& display) {
        connection_ = xcb_connect(display.c_str(), nullptr);
        if (xcb_connection_has_error(connection_)) XServer::fail("cannot connect to Xvfb");
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(connection_);
    }
    ~MapWatcher() { xcb_disconnect(connection_); }

    // True once a window that is not a menu or tooltip (override-redirect)
    // is mapped on the root window, false after `timeoutMs`.
    bool waitForWindow(int timeoutMs) {
        const Clock::time_point start = Clock::now();
        for (;;) {
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY &&
                                    !reinterpret_cast<xcb_map_notify_event_t*>(event)->override_redirect;
                std::free(event);
                if (mapped) return true;
            }
            const int left = timeoutMs - static_cast<int>(msSince(start));
            if (left <= 0) return false;
            pollfd p{xcb_get_file_descriptor(connection_), POLLIN, 0};
            ::poll(&p, 1, left);
        }
    }
    // Drops what the last tool's windows left (unmapping, destruction).
    void forget() {
        roundTrip();
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) std::free(event);
    }

private:
    // Every event the server sent before this request has arrived after it.
    void roundTrip() {
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t root_ = 0;
};

// A directory with every tool's settings file as a first save leaves it.
std::string settingsDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kv275startup.XXXXXX").string();
    if (!mkdtemp(pattern.data())) XServer::fail("mkdtemp");
    ScanSettings scan;
    scan.startDirectory = pattern;
    SaveScanSettings(scan);
    SetupSettings setup;
    setup.startDirectory = pattern;
    SaveSetupSettings(setup);
    std::ofstream(pattern + "/Tiltview.ini") << "2";
    std::ofstream(pattern + "/KV275Times.ini");
    return pattern;
}

struct Start {
    double ms = -1.0;     // to the mapped window; -1 when none came
    double cpuMs = 0.0;   // the processor time the tool used on the way (a figure other programs on the machine disturb less)
};

// One start of the tool, ended as soon as its window is there.
Start startOnce(const Tool& tool, const std::string& directory, MapWatcher& watcher) {
    watcher.forget();
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0) XServer::fail("fork");
    if (pid == 0) {
        if (chdir(directory.c_str()) != 0) _exit(127);
        execl(tool.path, tool.name, static_cast<char*>(nullptr));
        _exit(127);
    }
    const bool shown = watcher.waitForWindow(kWaitForWindowMs);
    const double ms = msSince(start);
    // Stopped at once, so that its processor time is the start's alone.
    kill(pid, SIGKILL);
    rusage usage{};
    wait4(pid, nullptr, 0, &usage);
    const auto msOf = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return {shown ? ms : -1.0, msOf(usage.ru_utime) + msOf(usage.ru_stime)};
}

}  // namespace

// With a build directory as argument, times the tools built there instead
// (to compare a change with the code before it).
int main(int argc, char** argv) {
    std::vector<Tool> tools(std::begin(kTools), std::end(kTools));
    std::vector<std::string> paths;
    if (argc > 1) {
        const char* places[] = {"/scan/KV275Scan", "/times/KV275Times", "/setup/KV275Setup", "/tiltview/Tiltview",
                                "/monitor/KV275Monitor"};
        // Started from the settings directory: the path must not depend on the current one.
        const std::string build = std::filesystem::absolute(argv[1]).string();
        for (const char* place : places) paths.push_back(build + place);
        for (size_t i = 0; i < tools.size(); ++i) tools[i].path = paths[i].c_str();
    }
    // The tools must find the server the benchmark started, through Qt's own
    // X platform, whatever the caller's environment says.
    XServer server;
    setenv("DISPLAY", server.display().c_str(), 1);
    unsetenv("QT_QPA_PLATFORM");
    unsetenv("WAYLAND_DISPLAY");
    const std::string directory = settingsDirectory();
    MapWatcher watcher(server.display());

    std::printf("\nStart-up to a mapped window under Xvfb (%d runs each, goal: median under %.0f ms)\n", kRuns,
                kGoalMs);
    std::printf("%-12s %10s %10s %10s %10s\n", "tool", "median ms", "min ms", "max ms", "cpu ms");
    int over = 0;
    for (const Tool& tool : tools) {
        startOnce(tool, directory, watcher);  // fills the page cache, as any earlier start would have
        std::vector<double> times;
        std::vector<double> cpu;
        for (int run = 0; run < kRuns; ++run) {
            const Start s = startOnce(tool, directory, watcher);
            if (s.ms < 0) {
                std::printf("%-12s no window within %d ms\n", tool.name, kWaitForWindowMs);
                ++over;
                break;
            }
            times.push_back(s.ms);
            cpu.push_back(s.cpuMs);
        }
        if (times.size() != kRuns) continue;
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        const double median = times[kRuns / 2];
        const bool slow = median >= kGoalMs;
        over += slow ? 1 : 0;
        std::printf("%-12s %10.1f %10.1f %10.1f %10.1f%s\n", tool.name, median, times.front(), times.back(),
                    cpu[kRuns / 2], slow ? "  over goal" : "");
    }
    std::filesystem::remove_all(directory);
    return over == 0 ? 0 : 1;
}
