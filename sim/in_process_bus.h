#pragma once
// The simulated bus without pseudo-terminals or threads, for runs that must
// come out the same every time:
//
//     kv275sim::InProcessBus bus(options);   // the ports of `options` open in-process
//     ...                                     // a tool opens COM1 and talks to its sensors
//
// While the object lives, opening one of its ports hands out a device whose
// requests the sensors answer at once, and the tick counter is the bus's own
// clock: it moves 1 ms at each reading (so a pause ends), by the bytes' time
// at the line's rate for what is written and read, and by the whole
// time-out for a read that comes up short. Nothing depends on how busy the
// machine is, so with a fixed seed the same requests meet the same faults.

#include "sim/sensor_bus.h"
#include "sim/simulator_options.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kv275sim {

class InProcessBus {
public:
    // Throws std::invalid_argument when the options cannot run.
    explicit InProcessBus(SimulatorOptions options);
    ~InProcessBus();  // the real port opener and clock again
    InProcessBus(const InProcessBus&) = delete;
    InProcessBus& operator=(const InProcessBus&) = delete;

    SensorBus& bus() { return *bus_; }
    const SensorBus& bus() const { return *bus_; }
    // Time on the bus's clock since it was made.
    double elapsedSeconds() const;
    // Moves the clock on, as time passing between two actions of a tool.
    void passTime(double seconds);

    struct Line;  // one port's state, shared with the devices opened on it

private:
    SimulatorOptions options_;
    std::unique_ptr<SensorBus> bus_;
    int64_t nowNs_ = 0;
    std::vector<std::unique_ptr<Line>> lines_;
};

}  // namespace kv275sim
