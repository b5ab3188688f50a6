// kv275 scan: every address 178..255 asked for its angle, the sensors that
// answer listed.

#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/progress_bar.h"
#include "cli/writable_variables.h"
#include "platform/tick_counter.h"
#include "sensorlink/fast_scan.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kvcli {
namespace {

// As the scanner asks each address.
constexpr int kScannerAttempts = 2;
constexpr int kAddressCount = kLastSensorAddress - kFirstSensorAddress + 1;
// Added to the slowest late answer for the --timeout a note suggests.
constexpr int32_t kSuggestedMarginMs = 10;

void printTable(std::ostream& out, const std::vector<fastscan::Sensor>& found) {
    out << "addr  hex  index   angle  answer_ms\n";
    for (const fastscan::Sensor& f : found) {
        char row[96];
        std::snprintf(row, sizeof row, "%4d   %2X    #%02d  %6.2f  %9ld\n", f.address, static_cast<unsigned>(f.address),
                      f.address - kBroadcastAddress, f.angle, static_cast<long>(f.answerMs));
        out << row;
    }
}

void showProgress(ProgressBar& bar, int address, size_t found) {
    bar.Show(address - kFirstSensorAddress, kAddressCount,
             std::to_string(address) + ", " + std::to_string(found) + " found");
}

// Each address asked as the scanner asks it; no confirmation needed, as
// every read waits the scanner's limit.
fastscan::Result fullScan(Bus& bus, const Console& console, ProgressBar& bar) {
    fastscan::Result r;
    for (int address = kFirstSensorAddress; address <= kLastSensorAddress; ++address) {
        if (console.stopRequested()) {
            r.stoppedAt = address;
            break;
        }
        showProgress(bar, address, r.sensors.size());
        const std::optional<double> angle = bus.Angle(address, kScannerAttempts);
        if (angle) r.sensors.push_back({address, *angle, bus.session().lastReadTime, false});
        if (bus.Lost()) {
            r.lost = true;
            r.stoppedAt = address;
            break;
        }
    }
    return r;
}

std::string joined(const std::vector<int>& addresses) {
    std::string text;
    for (int a : addresses) text += (text.empty() ? "" : ", ") + std::to_string(a);
    return text;
}

// What the user must know of late sensors after a fast scan; empty when
// every answer came in time.
std::string lateNote(const fastscan::Result& r, uint32_t readLimitMs) {
    std::vector<int> late;
    int32_t slowest = 0;
    for (const fastscan::Sensor& s : r.sensors) {
        if (!s.late) continue;
        late.push_back(s.address);
        slowest = std::max(slowest, s.answerMs);
    }
    std::string note;
    if (!late.empty())
        note = joined(late) + (late.size() == 1 ? " answers" : " answer") + " later than the fast read limit of " +
               std::to_string(readLimitMs) + " ms (answer_ms up to " + std::to_string(slowest) +
               ") and only the second asking found " + (late.size() == 1 ? "it" : "them") + ": give --timeout " +
               std::to_string(slowest + kSuggestedMarginMs) + " or use the full scan";
    if (!r.unconfirmed.empty())
        note += (note.empty() ? "" : "; ") + joined(r.unconfirmed) +
                " answered once but not when asked again (a sensor answering later still, or a noisy line): "
                "use the full scan";
    return note;
}

}  // namespace

int RunScan(const CommandLine& line, const ScanArgs& args, Console& console, BoxCollector& boxes) {
    const uint32_t readLimit = args.timeoutMs.value_or(fastscan::DefaultReadLimitMs(line.baud));
    Bus bus(line.port, args.fast ? fastscan::QuickLine(line.baud, readLimit) : ScannerLine(line.baud), boxes);
    if (!bus.Open()) return bus.OpenFailed(console, "scan");

    const uint32_t start = platform::GetTickCount();
    fastscan::Result r;
    {
        ProgressBar bar(console.err, console.progressBar);
        if (args.fast) {
            fastscan::Hooks hooks;
            hooks.stopRequested = [&] { return console.stopRequested(); };
            hooks.progress = [&](int address, size_t heard) { showProgress(bar, address, heard); };
            r = fastscan::Run(bus.session(), line.baud, readLimit, hooks);
        } else {
            r = fullScan(bus, console, bar);
        }
    }
    const double seconds = static_cast<uint32_t>(platform::GetTickCount() - start) / 1000.0;
    if (r.lost || r.lineRefused) {
        // What was found before stays on record; the addresses after were
        // not asked and are not reported as empty.
        if (!r.sensors.empty()) printTable(console.out, r.sensors);
        console.out.flush();
        return bus.Fail(console, "scan",
                        r.lineRefused ? "cannot set the line of " + bus.PortAndDevice()
                                      : "the adapter on " + bus.PortAndDevice() + " is gone");
    }
    bus.Close();

    if (!r.sensors.empty()) {
        printTable(console.out, r.sensors);
        char summary[128];
        std::snprintf(summary, sizeof summary, "%zu sensor%s on %s (%s scan, %.1f s)\n", r.sensors.size(),
                      r.sensors.size() == 1 ? "" : "s", bus.PortName().c_str(), args.fast ? "fast" : "full", seconds);
        console.out << summary << std::flush;
        if (!console.out) return ReportError(console, "scan", "cannot write to standard output", "", kExitFailed);
    }
    const std::string note = args.fast ? lateNote(r, readLimit) : "";
    std::string failure;
    if (r.stoppedAt != 0) failure = "interrupted before address " + std::to_string(r.stoppedAt);
    else if (r.sensors.empty()) failure = "no sensor answered on " + bus.PortAndDevice();
    if (!failure.empty())
        return ReportError(console, "scan", failure + (note.empty() ? "" : "; " + note), boxes.Take(), kExitFailed);
    if (!note.empty()) ReportError(console, "scan", note, "", kExitOk);
    return kExitOk;
}

}  // namespace kvcli
