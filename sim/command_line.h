#pragma once
// The kv275sim command line.

#include "sim/simulator_options.h"

#include <string>
#include <vector>

namespace kv275sim {

struct CommandLine {
    SimulatorOptions options;
    std::string readyFile;  // written once the links exist; empty for none
    bool help = false;
    bool version = false;
    std::string error;      // not empty: the command line is wrong, and why
};

// Parses the arguments after the program name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// The --help text.
std::string usageText();

// Parses a sensor given as ADDR[:ANGLE|:ramp:FROM:TO:PERIOD|:sine:MID:AMP:PERIOD].
// Returns an empty text on success, else what is wrong.
std::string parseSensor(const std::string& text, SensorConfig& sensor);

// Parses a fault given as KIND:PROBABILITY[:ADDR].
std::string parseFault(const std::string& text, FaultRule& rule);

// Parses a variable given as ADDR:N=VALUE. Whether the sensor exists and the
// number and value fit is left to validate().
std::string parseVariable(const std::string& text, VariablePreset& preset);

}  // namespace kv275sim
