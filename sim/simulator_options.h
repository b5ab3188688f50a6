#pragma once
// Everything a simulator run is made of.

#include "sim/fault.h"
#include "sim/sensor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kv275sim {

// A variable a sensor holds from the start instead of its factory value.
struct VariablePreset {
    int address = 0;   // the sensor's bus address, as configured
    int variable = 0;  // 0..255, not V063 (the address comes from the sensor's own setting)
    int32_t value = 0;
};

struct SimulatorOptions {
    std::string directory = ".";                // where the port links are made
    std::vector<std::string> ports{"COM1"};     // each a pseudo-terminal; all reach the same sensors
    std::vector<SensorConfig> sensors;          // may be empty: a bus nobody answers on
    unsigned answerDelayMs = 3;                 // from the end of a request to the start of the reply
    // The request, too, takes its bytes' time on the line before the sensor
    // has it (as on a real bus); false starts the answer delay as soon as the
    // request has reached the simulator.
    bool requestTakesLineTime = true;
    unsigned baud = 9600;                       // the ports' initial rate, and the pacing rate when a line's own cannot be read
    std::vector<FaultRule> faults;
    std::string log;                            // "" none, "-" standard error, else a file
    uint32_t seed = 0;                          // fault dice; 0 takes a seed from the system
    std::vector<VariablePreset> variables;      // applied in order at construction
    bool minusApart = false;                    // negative variables sent as "-   12"
};

// Returns an empty text when the options can run, else what is wrong.
std::string validate(const SimulatorOptions& options);

}  // namespace kv275sim
