#pragma once
// kv275 ports: the serial ports of this machine, and a COMn link made in one
// command. It reads its own arguments: it takes none of the bus options.

#include "cli/console.h"

#include <string>
#include <vector>

namespace kvcli {

// "ports ..." and "help ports" (without --version, which every command answers alike).
bool IsPortsCommand(const std::vector<std::string>& args);

// The arguments after the program name; returns the exit status.
int RunPorts(const std::vector<std::string>& args, Console& console);

// What kv275 ports --help prints.
std::string PortsHelp();

}  // namespace kvcli
