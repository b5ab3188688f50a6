#pragma once
// What every long run shares: the simulated bus with its faults, the samples
// of memory and processor time taken while a tool works, and the report.

#include "sim/simulator.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace soak {

// The faults every run injects: 1 % each of silence, a bad checksum, bad
// characters and a reply cut short, on every sensor.
std::vector<kv275sim::FaultRule> injectedFaults();

// A simulator on COM1 in a scratch directory of its own, made current so the
// tool finds the port by its name.
class Bus {
public:
    Bus(std::vector<kv275sim::SensorConfig> sensors, unsigned baud = 9600);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;
    kv275sim::Simulator& sim() { return *sim_; }
    kv275sim::BusCounters counters() const { return sim_->bus().counters(); }

private:
    std::string dir_;
    std::string previous_;
    std::unique_ptr<kv275sim::Simulator> sim_;
};

struct Sample {
    double seconds;
    double residentMiB;
    double toolCpuMs;  // the tool's own (main) thread; the simulator serves from threads of its own
    uint64_t operations;
};

// Takes a sample every few seconds while the tool's event loop runs.
class Sampler {
public:
    explicit Sampler(std::function<uint64_t()> operations);
    void take();
    // A sample when the last one is 5 s old.
    void takeIfDue();
    const std::vector<Sample>& samples() const { return samples_; }
    // Memory growth in MiB an hour, fitted to the samples after the first
    // minute (after the first fifth of a shorter run).
    double growthMiBPerHour() const;

private:
    std::function<uint64_t()> operations_;
    double start_;
    double lastTaken_ = 0.0;
    std::vector<Sample> samples_;
};

// One line "name: value" each, then the verdict lines; returns whether the
// run is clean.
struct Report {
    std::string tool;
    std::vector<std::pair<std::string, std::string>> figures;
    std::vector<std::string> problems;  // empty: clean
    void add(const std::string& name, const std::string& value) { figures.emplace_back(name, value); }
    // The angle query's accounting: every bad reply the tool counted was
    // injected and every injected fault was counted, each answered with a
    // NAK but a failed query's last, which nothing would read.
    void checkNakAccounting(uint64_t badReplies, uint64_t failedQueries, const kv275sim::BusCounters& sim);
    bool print(const Sampler& sampler, bool judgeMemory) const;
};

double monotonicSeconds();
// Runs the event loop for `seconds`, calling `check` every `everyMs`.
void runEventLoop(double seconds, int everyMs, const std::function<void()>& check);

}  // namespace soak
