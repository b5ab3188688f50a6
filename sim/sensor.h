#pragma once
// One simulated sensor: its bus address, how its angle moves, its variables.

#include "sim/angle_motion.h"
#include "sim/protocol.h"

#include <cstdint>
#include <optional>

namespace kv275sim {

// The variables of a sensor fresh from the factory at `address`: a Butterworth
// filter of second order at 1.00 Hz, its address in V063, a serial delay of 100.
VariableTable defaultVariables(uint8_t address);

struct SensorConfig {
    uint8_t address = kFirstSensorAddress;
    AngleMotion motion = AngleMotion::fixed(0.0);
};

struct Sensor {
    explicit Sensor(const SensorConfig& config);

    uint8_t address;
    AngleMotion motion;
    std::optional<double> angleOverride;  // set by tests; wins over the motion
    VariableTable variables;
    uint64_t requestsSeen = 0;  // angle queries, reads and writes addressed to it (broadcasts included)

    double angleAt(double seconds) const;
};

}  // namespace kv275sim
