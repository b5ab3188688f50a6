#include "cli/app.h"

#include "cli/box_collector.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/ports_command.h"
#include "cli/usage.h"

#include <type_traits>
#include <variant>

namespace kvcli {
namespace {

int runCommand(const CommandLine& line, Console& console, BoxCollector& boxes) {
    return std::visit(
        [&](const auto& args) -> int {
            using T = std::decay_t<decltype(args)>;
            if constexpr (std::is_same_v<T, HelpRequest>) {
                console.out << HelpText(args.topic) << std::flush;
                return kExitOk;
            } else if constexpr (std::is_same_v<T, VersionRequest>) {
                console.out << VersionText() << "\n" << std::flush;
                return kExitOk;
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
        const std::string command = e.command().empty() ? "" : " " + e.command();
        console.err << "kv275" << command << ": " << e.what() << " (usage: " << Synopsis(e.command()) << ")"
                    << std::endl;
        return kExitUsage;
    }
    BoxCollector boxes;
    const int status = runCommand(line, console, boxes);
    // A box no failure line took, such as a close that failed after a
    // command that went well, is said all the same, in one line. After a
    // failure line, a port that would not close either adds nothing to it.
    if (!boxes.empty() && status == kExitOk) console.err << "kv275: " << boxes.Take() << std::endl;
    return status;
}

}  // namespace kvcli
