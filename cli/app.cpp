#include "cli/app.h"

#include "cli/box_collector.h"
#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/ports_command.h"
#include "cli/usage.h"

#include <type_traits>
#include <variant>

namespace kvcli {
namespace {

int cannotWrite(Console& console, const std::string& command) {
    return ReportError(console, command, "cannot write to standard output", "", kExitFailed);
}

// The name a command's messages carry; "" for help and the version.
std::string commandName(const CommandArgs& args) {
    return std::visit(
        [](const auto& a) -> std::string {
            using T = std::decay_t<decltype(a)>;
            if constexpr (std::is_same_v<T, ScanArgs>) return "scan";
            else if constexpr (std::is_same_v<T, ReadArgs>) return "read";
            else if constexpr (std::is_same_v<T, TimesArgs>) return "times";
            else if constexpr (std::is_same_v<T, VarsDumpArgs>) return "vars dump";
            else if constexpr (std::is_same_v<T, VarsSetArgs>) return "vars set";
            else if constexpr (std::is_same_v<T, VarsRestoreArgs>) return "vars restore";
            else if constexpr (std::is_same_v<T, VarsDiffArgs>) return "vars diff";
            else return "";
        },
        args);
}

// Every command prints its result on standard output but read into a CSV file.
bool printsResult(const CommandArgs& args) {
    const ReadArgs* read = std::get_if<ReadArgs>(&args);
    return !read || read->csvFile.empty();
}

int runCommand(const CommandLine& line, Console& console, BoxCollector& boxes) {
    return std::visit(
        [&](const auto& args) -> int {
            using T = std::decay_t<decltype(args)>;
            if constexpr (std::is_same_v<T, HelpRequest>) {
                console.out << HelpText(args.topic) << std::flush;
                return console.out ? kExitOk : cannotWrite(console, "");
            } else if constexpr (std::is_same_v<T, VersionRequest>) {
                console.out << VersionText() << "\n" << std::flush;
                return console.out ? kExitOk : cannotWrite(console, "");
            } else if constexpr (std::is_same_v<T, ScanArgs>) {
                return RunScan(line, args, console, boxes);
            } else if constexpr (std::is_same_v<T, ReadArgs>) {
                return RunRead(line, args, console, boxes);
            } else if constexpr (std::is_same_v<T, TimesArgs>) {
                return RunTimes(line, args, console, boxes);
            } else if constexpr (std::is_same_v<T, VarsDumpArgs>) {
                return RunVarsDump(line, args, console, boxes);
            } else if constexpr (std::is_same_v<T, VarsSetArgs>) {
                return RunVarsSet(line, args, console, boxes);
            } else if constexpr (std::is_same_v<T, VarsRestoreArgs>) {
                return RunVarsRestore(line, args, console, boxes);
            } else {
                static_assert(std::is_same_v<T, VarsDiffArgs>);
                return RunVarsDiff(args, console);
            }
        },
        line.args);
}

}  // namespace

int Main(const std::vector<std::string>& args, Console& console) {
    if (IsPortsCommand(args)) return RunPorts(args, console);
    CommandLine line;
    try {
        line = ParseCommandLine(args);
    } catch (const UsageError& e) {
        return ReportError(console, e.command(), e.what(), "usage: " + Synopsis(e.command()), kExitUsage);
    }
    if (console.outputClosed && printsResult(line.args)) {
        // vars diff keeps its 1 for "the dumps differ", as diff(1) does.
        const bool diff = std::holds_alternative<VarsDiffArgs>(line.args);
        return ReportError(console, commandName(line.args), "standard output is closed", "",
                           diff ? kExitUsage : kExitFailed);
    }
    BoxCollector boxes;
    const int status = runCommand(line, console, boxes);
    // A box no failure line took, such as a close that failed after a
    // command that went well, is said all the same, in one line. After a
    // failure line, a port that would not close either adds nothing to it.
    if (!boxes.empty() && status == kExitOk) ReportError(console, "", boxes.Take(), "", status);
    return status;
}

}  // namespace kvcli
