// kv275 vars set and vars restore: variables written and read back.

#include "cli/commands.h"
#include "cli/dump_file.h"
#include "cli/exit_status.h"
#include "cli/vars_transfer.h"
#include "cli/writable_variables.h"

namespace kvcli {

int RunVarsSet(const CommandLine& line, const VarsSetArgs& args, Console& console, BoxCollector& boxes) {
    return WriteAndVerify(line, "vars set", args.address, args.assignments, console, boxes);
}

int RunVarsRestore(const CommandLine& line, const VarsRestoreArgs& args, Console& console, BoxCollector& boxes) {
    const std::string command = "vars restore";
    // The whole dump is read and checked before the port is touched.
    VariableTable dump{};
    std::string error;
    if (!LoadDump(args.file, dump, error)) return ReportError(console, command, error, "", kExitUsage);

    std::vector<Assignment> assignments;
    std::string note;
    for (const WritableVariable& w : WritableVariables()) {
        const int32_t value = dump[static_cast<size_t>(w.number)];
        const std::string text = VariableName(w.number) + "=" + std::to_string(value);
        // The dump's own address needs no writing; another one moves the sensor.
        if (w.number == kAddressVariable && value == args.address) continue;
        // Through 177 the sensor's own address is not known: the dump's is
        // written only when asked for, and the rest is restored either way.
        if (w.number == kAddressVariable && args.address == kBroadcastAddress && !args.move) {
            note = "; " + text + " of the dump left out (--move writes it)";
            continue;
        }
        if (value < w.low || value > w.high)
            return ReportError(console, command,
                               args.file + ": " + text + " is outside " + std::to_string(w.low) + ".." +
                                   std::to_string(w.high) + " (" + w.meaning + ")",
                               "", kExitUsage);
        if (w.number == kAddressVariable && !args.move)
            return ReportError(console, command,
                               args.file + ": " + text + " would move the sensor from " +
                                   std::to_string(args.address) + ": give --move to mean it",
                               "", kExitUsage);
        assignments.push_back({w.number, value});
    }
    return WriteAndVerify(line, command, args.address, assignments, console, boxes, note);
}

int RunVarsDiff(const VarsDiffArgs& args, Console& console) {
    VariableTable first{};
    VariableTable second{};
    std::string error;
    if (!LoadDump(args.first, first, error) || !LoadDump(args.second, second, error))
        return ReportError(console, "vars diff", error, "", kExitUsage);
    const std::vector<std::string> lines = DiffDumps(first, second);
    for (const std::string& l : lines) console.out << l << "\n";
    console.out << std::flush;
    // As diff(1): 0 when they agree, 1 when they do not, 2 for trouble.
    if (!console.out) return ReportError(console, "vars diff", "cannot write to standard output", "", kExitUsage);
    return lines.empty() ? kExitOk : kExitFailed;
}

}  // namespace kvcli
