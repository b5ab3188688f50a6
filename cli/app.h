#pragma once
// kv275 from its arguments to its exit status.

#include "cli/console.h"

#include <string>
#include <vector>

namespace kvcli {

// Runs the command the arguments (without the program name) ask for. A
// command line that is refused gets one line on the error stream and status
// 2 before any port is opened. Message boxes are never shown: while a command
// runs, they become its one error line.
int Main(const std::vector<std::string>& args, Console& console);

}  // namespace kvcli
