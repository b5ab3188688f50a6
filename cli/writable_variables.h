#pragma once
// The variables kv275 writes: the five the setup tool edits, with the
// ranges it accepts for them, in the order a write sends them.

#include <cstdint>
#include <span>
#include <string>

namespace kvcli {

constexpr int kAddressVariable = 63;  // V063: writing it moves the sensor
constexpr int kBroadcastAddress = 177;
constexpr int kFirstSensorAddress = 178;
constexpr int kLastSensorAddress = 255;

struct WritableVariable {
    int number;
    const char* meaning;
    int32_t low;
    int32_t high;
};

// In write order: the bus address last, so that every write of one command
// reaches the sensor where it was.
std::span<const WritableVariable> WritableVariables();

// The entry of a variable, or nullptr when kv275 does not write it.
const WritableVariable* FindWritable(int number);

// "V024".
std::string VariableName(int number);

}  // namespace kvcli
