#pragma once
// Everything a simulator run is made of.

#include "sim/fault.h"
#include "sim/sensor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kv275sim {

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
};

// Returns an empty text when the options can run, else what is wrong.
std::string validate(const SimulatorOptions& options);

}  // namespace kv275sim
