#pragma once
// What every long run shares: the simulated bus with its faults, the samples
// of memory and processor time taken while a tool works, and the report.

#include "sim/in_process_bus.h"
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

// How a run is made.
struct RunOptions {
    double seconds = 0;
    uint32_t seed = 0;       // the fault dice; the same seed meets the same requests with the same faults
    bool scripted = false;   // the bus in-process on its own clock (see Bus) instead of a pseudo-terminal
    bool judgeMemory = false;
    std::string replay;      // the command that runs this again, for the report
};

// The simulated bus on COM1, with the run's faults and seed, in a scratch
// directory of its own made current so the tool finds the port by its name.
// Real: the simulator on a pseudo-terminal, in real time, as a user's tool
// meets it. Scripted: the same sensors in-process on the bus's own clock, so
// that nothing depends on how busy the machine is and the same seed gives
// the same run, fault for fault; SECONDS are then the bus's seconds.
class Bus {
public:
    Bus(std::vector<kv275sim::SensorConfig> sensors, const RunOptions& run);
    ~Bus();
    Bus(const Bus&) = delete;
    Bus& operator=(const Bus&) = delete;
    kv275sim::SensorBus& sensors();
    kv275sim::BusCounters counters() { return sensors().counters(); }
    kv275sim::VariableTable variables(int address);
    // Seconds since the start, on the bus's clock.
    double elapsedSeconds() const;

    // Runs the tool for the run's length. Real: the tool's own timer does
    // the work in the event loop, and `check` runs every 100 ms. Scripted:
    // `tick` (one tick of the tool's timer) and `check` take turns, with no
    // event loop, until the bus's clock has passed the length.
    void run(const std::function<void()>& tick, const std::function<void()>& check);

private:
    RunOptions run_;
    std::string dir_;
    std::string previous_;
    std::unique_ptr<kv275sim::Simulator> sim_;
    std::unique_ptr<kv275sim::InProcessBus> inProcess_;
};

struct Sample {
    double seconds;
    double residentMiB;
    double toolCpuMs;  // the tool's own (main) thread; the simulator serves from threads of its own
    uint64_t operations;
};

// Takes a sample every few seconds (of the bus's clock) while the tool works.
class Sampler {
public:
    Sampler(const Bus& bus, std::function<uint64_t()> operations);
    void take();
    // A sample when the last one is 5 s old.
    void takeIfDue();
    const std::vector<Sample>& samples() const { return samples_; }
    // Memory growth in MiB an hour, fitted to the samples after the first
    // minute (after the first fifth of a shorter run).
    double growthMiBPerHour() const;

private:
    const Bus& bus_;
    std::function<uint64_t()> operations_;
    double lastTaken_ = 0.0;
    std::vector<Sample> samples_;
};

// One line "name: value" each, then the verdict lines; returns whether the
// run is clean. A scripted run's report leaves out what the machine decides
// (memory, processor time), so the same seed gives the same report.
struct Report {
    std::string tool;
    const RunOptions& run;
    std::vector<std::pair<std::string, std::string>> figures;
    std::vector<std::string> problems;  // empty: clean
    void add(const std::string& name, const std::string& value) { figures.emplace_back(name, value); }
    // The angle query's accounting: every bad reply the tool counted was
    // injected and every injected fault was counted, each answered with a
    // NAK but a failed query's last, which nothing would read. A query of
    // three attempts fails on three faults; a device check (one attempt) on one.
    void checkNakAccounting(uint64_t badReplies, uint64_t failedQueries, uint64_t failedChecks,
                            const kv275sim::BusCounters& sim);
    bool print(const Sampler& sampler) const;
};


}  // namespace soak
