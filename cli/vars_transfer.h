#pragma once
// What vars dump, set and restore share: the check of the sensor before a
// transfer, and the write of variables read back to verify.

#include "cli/bus.h"
#include "cli/command_line.h"
#include "cli/console.h"

#include <string>
#include <vector>

namespace kvcli {

// Asks the sensor for its angle first, as the setup tool does, so that a
// missing sensor is told at once and not after the variable read's long
// time-out, and nothing is written into a line nobody listens on.
bool CheckSensor(Bus& bus, int address);
// "sensor 178 does not answer"; for 177 that a single sensor is needed.
std::string NoAnswerText(int address);

// Writes the assignments to the sensor at `address` in the setup tool's
// order (the bus address last), then reads all variables back from where
// the sensor is now and compares. Prints one line on success, ending in
// `note`. A new bus address must be free: a sensor answering there is
// refused before anything is written. Ctrl+C before the first write cancels;
// after it, the sequence is finished.
int WriteAndVerify(const CommandLine& line, const std::string& command, int address,
                   const std::vector<Assignment>& assignments, Console& console, BoxCollector& boxes,
                   const std::string& note = "");

}  // namespace kvcli
