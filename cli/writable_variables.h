#pragma once
// The variables kv275 writes: the five the setup tool edits, with the
// ranges it accepts for them, in the order a write sends them.

#include "sensorlink/bus_address.h"
#include "sensorlink/variable_writes.h"

#include <cstdint>
#include <span>
#include <string>

namespace kvcli {

constexpr int kAddressVariable = variablewrites::kAddress;  // writing it moves the sensor
constexpr int kFirstSensorAddress = kBroadcastAddress + 1;
constexpr int kLastSensorAddress = kLastAddress;

struct WritableVariable {
    int number;
    const char* meaning;
    int32_t low;
    int32_t high;
};

// In variablewrites::kWriteOrder: the bus address last, so that every write
// of one command reaches the sensor where it was.
std::span<const WritableVariable> WritableVariables();

// The entry of a variable, or nullptr when kv275 does not write it.
const WritableVariable* FindWritable(int number);

// "V024".
std::string VariableName(int number);

}  // namespace kvcli
