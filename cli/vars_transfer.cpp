#include "cli/vars_transfer.h"

#include "cli/exit_status.h"
#include "cli/sweep.h"
#include "cli/writable_variables.h"
#include "platform/tick_counter.h"
#include "sensorlink/variable_writes.h"

namespace kvcli {
namespace {

uint16_t indexOf(int address) { return static_cast<uint16_t>(address - kBroadcastAddress); }

// From the first write on, a sequence is finished whatever Ctrl+C says: a
// sensor left with half its settings, or moved without the rest, is worse
// than a wait of a second.
class Finishing {
public:
    explicit Finishing(Console& console) : flag_(console.finishing) {}
    ~Finishing() {
        if (flag_) flag_->store(false);
    }
    Finishing(const Finishing&) = delete;
    Finishing& operator=(const Finishing&) = delete;
    void begin() {
        if (flag_) flag_->store(true);
    }

private:
    std::atomic<bool>* flag_;
};

// Why the sensor at `address` may already be elsewhere, or hold the value,
// although it did not acknowledge a write: the acknowledgement alone may
// have been lost.
std::string notAcknowledged(Bus& bus, int address, const Assignment& a) {
    const std::string text = VariableName(a.variable) + "=" + std::to_string(a.value) + " not acknowledged at " +
                             std::to_string(address);
    if (a.variable != kAddressVariable || a.value == address)
        return text + ": the sensor may have taken it all the same";
    // Nobody answered there before the write; somebody answering now is the sensor.
    if (!bus.Lost() && bus.Angle(a.value, kRunAttempts))
        return text + ", but a sensor answers at " + std::to_string(a.value) + " now: it has moved there";
    return text + ": the sensor may have moved to " + std::to_string(a.value) + " all the same";
}

}  // namespace

bool CheckSensor(Bus& bus, int address) { return bus.Angle(address, kRunAttempts).has_value(); }

std::string NoAnswerText(int address) {
    if (address == kBroadcastAddress)
        return "no single answer at 177 (a transfer to every sensor at once needs exactly one sensor on the bus)";
    return "sensor " + std::to_string(address) + " does not answer";
}

int WriteAndVerify(const CommandLine& line, const std::string& command, int address,
                   const std::vector<Assignment>& assignments, Console& console, BoxCollector& boxes,
                   const std::string& note) {
    std::vector<Assignment> ordered;
    for (const WritableVariable& w : WritableVariables())
        for (const Assignment& a : assignments)
            if (a.variable == w.number) ordered.push_back(a);

    Bus bus(line.port, VariableLine(line.baud), boxes);
    if (!bus.Open()) return bus.OpenFailed(console, command);
    if (!CheckSensor(bus, address)) return bus.Fail(console, command, NoAnswerText(address));
    // Two sensors on one address answer every request at once, and neither
    // can be told apart or moved away again on its own.
    for (const Assignment& a : ordered) {
        if (a.variable != kAddressVariable || a.value == address) continue;
        const bool taken = CheckSensor(bus, a.value);
        if (bus.Lost()) return bus.Fail(console, command, "");
        if (!taken) continue;
        bus.Close();
        const std::string there = "a sensor already answers at " + std::to_string(a.value);
        const std::string why =
            address == kBroadcastAddress
                ? " (should it be the one sensor on the bus, it is there already: leave V063 out)"
                : ": moving " + std::to_string(address) + " there would put two sensors on one address";
        return ReportError(console, command, there + why, boxes.Take(), kExitFailed);
    }

    Finishing finishing(console);
    bool toldFinishing = false;
    // Said once, as soon as it is seen after the first write.
    const auto tellFinishing = [&] {
        if (!console.stopRequested() || toldFinishing) return;
        ReportError(console, command, "Ctrl+C: the writes begun are finished first, the address last", "", kExitOk);
        toldFinishing = true;
    };
    int readFrom = address;
    std::string written;
    for (const Assignment& a : ordered) {
        if (console.stopRequested() && written.empty()) {
            bus.Close();
            return ReportError(console, command, "cancelled by Ctrl+C before the first write: nothing was written",
                               boxes.Take(), kExitFailed);
        }
        if (!written.empty()) tellFinishing();
        finishing.begin();
        platform::waitTicks(variablewrites::kPauseBeforeWriteMs);
        const std::string text = VariableName(a.variable) + "=" + std::to_string(a.value);
        if (!bus.session().WriteVariable(indexOf(address), a.variable, a.value))
            return bus.Fail(console, command, notAcknowledged(bus, address, a),
                            written.empty() ? "" : "written before it:" + written);
        written += " " + text;
        if (a.variable == kAddressVariable) readFrom = a.value;
    }

    tellFinishing();
    VariableTable table{};
    if (!bus.session().ReadVariables(indexOf(readFrom), table))
        return bus.Fail(console, command, "the read-back from " + std::to_string(readFrom) + " failed",
                        "written:" + written);
    bus.Close();
    tellFinishing();
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
    console.out << ":" << written << " written and read back" << note << "\n" << std::flush;
    if (!console.out)
        return ReportError(console, command, "cannot write to standard output (the writes were made and read back)",
                           "", kExitFailed);
    return kExitOk;
}

}  // namespace kvcli
