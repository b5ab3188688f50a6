#pragma once
// Shared pieces of the benchmarks: a simulator in a scratch directory, timing,
// medians and the result table.

#include "platform/message_box.h"
#include "sim/simulator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace bench {

// Milliseconds a byte takes on the line at `baud`, 10 bits a byte.
inline double byteMs(unsigned baud) { return 10.0 * 1000.0 / baud; }

// How long the tools wait after a request before they read the answer.
constexpr double kAnswerWaitMs = 15.0;

// An exchange's floor: the wait, or the request, the sensor's answer delay
// and the reply on the line, whichever ends later.
inline double exchangeMs(unsigned baud, unsigned answerDelayMs, double requestBytes, double replyBytes) {
    return std::max(kAnswerWaitMs, (requestBytes + replyBytes) * byteMs(baud) + answerDelayMs);
}

// An answered angle query: address and ENQ out, 11 bytes back.
inline double answeringMs(unsigned baud, unsigned answerDelayMs) { return exchangeMs(baud, answerDelayMs, 2, 11); }

// Sensors at the addresses, each at a fixed angle of its own.
inline std::vector<kv275sim::SensorConfig> sensorsAt(const std::vector<int>& addresses) {
    std::vector<kv275sim::SensorConfig> sensors;
    for (int a : addresses) sensors.push_back({static_cast<uint8_t>(a), kv275sim::AngleMotion::fixed(10.0 + a % 7)});
    return sensors;
}

inline double medianOf(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Runs `body` `runs` times and returns the median wall time in ms.
inline double medianMs(int runs, const std::function<void()>& body) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        body();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
    }
    return medianOf(times);
}

// Processor time the calling thread has used, in ms. The simulator serves
// from threads of its own, so this is the tool's share alone.
inline double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

struct Row {
    std::string name;
    double medianMs;
    double floorMs;
};

// Prints the table and returns the number of rows over the goal.
inline int printTable(const std::string& title, const std::vector<Row>& rows, double goal = 1.05) {
    std::printf("\n%s\n", title.c_str());
    std::printf("%-52s %12s %12s %8s\n", "case", "median ms", "floor ms", "ratio");
    int over = 0;
    for (const Row& r : rows) {
        const double ratio = r.medianMs / r.floorMs;
        if (ratio > goal) ++over;
        std::printf("%-52s %12.2f %12.2f %8.3f%s\n", r.name.c_str(), r.medianMs, r.floorMs, ratio,
                    ratio > goal ? "  over goal" : "");
    }
    return over;
}

// A scratch directory made current for the simulator's COMn links.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kv275bench.XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path_ = pattern;
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(path_);
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::current_path(previous_, ec);
        std::filesystem::remove_all(path_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
    std::filesystem::path previous_;
};

// Message boxes go to standard error: a benchmark has nobody to click them.
inline void printBoxesToStderr() {
    platform::setMessageBoxHandler([](const platform::MessageBoxCall& call) {
        std::fprintf(stderr, "[box] %s: %s\n", call.title.c_str(), call.text.c_str());
        return platform::MsgResult::Ok;
    });
}

}  // namespace bench
