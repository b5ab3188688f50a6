#include "cli/vars_transfer.h"

#include "cli/exit_status.h"
#include "cli/sweep.h"
#include "cli/writable_variables.h"
#include "platform/tick_counter.h"
#include "sensorlink/variable_writes.h"

namespace kvcli {
namespace {

uint16_t indexOf(int address) { return static_cast<uint16_t>(address - kBroadcastAddress); }

}  // namespace

bool CheckSensor(Bus& bus, int address) { return bus.Angle(address, kRunAttempts).has_value(); }

std::string NoAnswerText(int address) {
    if (address == kBroadcastAddress)
        return "no single answer at 177 (a transfer to every sensor at once needs exactly one sensor on the bus)";
    return "sensor " + std::to_string(address) + " does not answer";
}

int WriteAndVerify(const CommandLine& line, const std::string& command, int address,
                   const std::vector<Assignment>& assignments, Console& console, BoxCollector& boxes) {
    std::vector<Assignment> ordered;
    for (const WritableVariable& w : WritableVariables())
        for (const Assignment& a : assignments)
            if (a.variable == w.number) ordered.push_back(a);

    Bus bus(line.port, VariableLine(line.baud), boxes);
    if (!bus.Open()) return bus.Fail(console, command, "cannot open " + bus.PortName());
    if (!CheckSensor(bus, address)) return bus.Fail(console, command, NoAnswerText(address));

    int readFrom = address;
    std::string written;
    for (const Assignment& a : ordered) {
        platform::waitTicks(variablewrites::kPauseBeforeWriteMs);
        const std::string text = VariableName(a.variable) + "=" + std::to_string(a.value);
        if (!bus.session().WriteVariable(indexOf(address), a.variable, a.value))
            return bus.Fail(console, command,
                            text + " not acknowledged by " + std::to_string(address) +
                                (written.empty() ? "; nothing was written" : "; written before it:" + written));
        written += " " + text;
        if (a.variable == kAddressVariable) readFrom = a.value;
    }

    VariableTable table{};
    if (!bus.session().ReadVariables(indexOf(readFrom), table))
        return bus.Fail(console, command,
                        "written:" + written + "; but the read-back from " + std::to_string(readFrom) + " failed");
    bus.Close();
    for (const Assignment& a : ordered) {
        const int32_t back = table[static_cast<size_t>(a.variable)];
        if (back != a.value)
            return ReportError(console, command,
                               "read back " + VariableName(a.variable) + "=" + std::to_string(back) + " from " +
                                   std::to_string(readFrom) + " after writing " + std::to_string(a.value),
                               boxes.Take(), kExitFailed);
    }
    console.out << "sensor " << address;
    if (readFrom != address) console.out << " (now at " << readFrom << ")";
    console.out << ":" << written << " written and read back\n" << std::flush;
    return kExitOk;
}

}  // namespace kvcli
