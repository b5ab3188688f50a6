// kv275 vars dump: all 256 variables of one sensor, as text or JSON.

#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/dump_file.h"
#include "cli/exit_status.h"
#include "sensorlink/timestamp.h"
#include "cli/vars_transfer.h"
#include "sensorlink/bus_address.h"

#include <chrono>

namespace kvcli {

int RunVarsDump(const CommandLine& line, const VarsDumpArgs& args, Console& console, BoxCollector& boxes) {
    const std::string command = "vars dump";
    Bus bus(line.port, VariableLine(line.baud), boxes);
    if (!bus.Open()) return bus.OpenFailed(console, command);
    if (!CheckSensor(bus, args.address)) return bus.Fail(console, command, NoAnswerText(args.address));

    VariableTable table{};
    if (!bus.session().ReadVariables(static_cast<uint16_t>(args.address - kBroadcastAddress), table))
        return bus.Fail(console, command, "sensor " + std::to_string(args.address) + " did not send its variables");
    bus.Close();

    const DumpOrigin origin{args.address, bus.PortName(),
                            readinglog::IsoTimestamp(std::chrono::system_clock::now())};
    console.out << (args.json ? FormatDumpJson(table, origin) : FormatDump(table, origin)) << std::flush;
    if (!console.out) return ReportError(console, command, "cannot write to standard output", "", kExitFailed);
    return kExitOk;
}

}  // namespace kvcli
