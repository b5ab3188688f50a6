#pragma once
// The commands of kv275, each in a file of its own. Each returns the exit
// status; a failure has written its one line to the console's error stream.

#include "cli/box_collector.h"
#include "cli/command_line.h"
#include "cli/console.h"

namespace kvcli {

int RunScan(const CommandLine& line, const ScanArgs& args, Console& console, BoxCollector& boxes);
int RunRead(const CommandLine& line, const ReadArgs& args, Console& console, BoxCollector& boxes);
int RunTimes(const CommandLine& line, const TimesArgs& args, Console& console, BoxCollector& boxes);
int RunVarsDump(const CommandLine& line, const VarsDumpArgs& args, Console& console, BoxCollector& boxes);
int RunVarsSet(const CommandLine& line, const VarsSetArgs& args, Console& console, BoxCollector& boxes);
int RunVarsRestore(const CommandLine& line, const VarsRestoreArgs& args, Console& console, BoxCollector& boxes);
int RunVarsDiff(const VarsDiffArgs& args, Console& console);

}  // namespace kvcli
