// kv275 scan: every address 178..255 asked for its angle, the sensors that
// answer listed.

#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/progress_bar.h"
#include "cli/writable_variables.h"
#include "platform/tick_counter.h"

#include <cstdio>
#include <vector>

namespace kvcli {
namespace {

// As the scanner asks each address.
constexpr int kScannerAttempts = 2;
// A fast scan asks once: a sensor that garbles its reply shows up in the
// next scan or in kv275 read, and the bus is covered in seconds.
constexpr int kFastAttempts = 1;

struct Found {
    int address;
    double angle;
    int32_t answerMs;
};

void printTable(std::ostream& out, const std::vector<Found>& found) {
    out << "addr  hex  index   angle  answer_ms\n";
    for (const Found& f : found) {
        char row[96];
        std::snprintf(row, sizeof row, "%4d   %2X    #%02d  %6.2f  %9ld\n", f.address, static_cast<unsigned>(f.address),
                      f.address - kBroadcastAddress, f.angle, static_cast<long>(f.answerMs));
        out << row;
    }
}

}  // namespace

int RunScan(const CommandLine& line, const ScanArgs& args, Console& console, BoxCollector& boxes) {
    const uint32_t readLimit = args.timeoutMs.value_or(DefaultFastReadLimitMs(line.baud));
    Bus bus(line.port, args.fast ? FastScanLine(line.baud, readLimit) : ScannerLine(line.baud), boxes);
    if (!bus.Open()) return bus.Fail(console, "scan", "cannot open " + bus.PortName());
    const int attempts = args.fast ? kFastAttempts : kScannerAttempts;

    const uint32_t start = platform::GetTickCount();
    std::vector<Found> found;
    int stoppedAt = 0;
    {
        ProgressBar bar(console.err, console.progressBar);
        for (int address = kFirstSensorAddress; address <= kLastSensorAddress; ++address) {
            if (console.stopRequested()) {
                stoppedAt = address;
                break;
            }
            bar.Show(address - kFirstSensorAddress, kLastSensorAddress - kFirstSensorAddress + 1,
                     std::to_string(address) + ", " + std::to_string(found.size()) + " found");
            const std::optional<double> angle = bus.Angle(address, attempts);
            if (angle) found.push_back({address, *angle, bus.session().lastReadTime});
            if (bus.Lost()) {
                // What was found before stays on record; the addresses after
                // this one were not asked and are not reported as empty.
                bar.Clear();
                if (!found.empty()) printTable(console.out, found);
                console.out.flush();
                return bus.Fail(console, "scan", "");
            }
        }
    }
    const double seconds = static_cast<uint32_t>(platform::GetTickCount() - start) / 1000.0;
    bus.Close();

    if (!found.empty()) {
        printTable(console.out, found);
        char summary[128];
        std::snprintf(summary, sizeof summary, "%zu sensor%s on %s (%s scan, %.1f s)\n", found.size(),
                      found.size() == 1 ? "" : "s", bus.PortName().c_str(), args.fast ? "fast" : "full", seconds);
        console.out << summary << std::flush;
        if (!console.out) return ReportError(console, "scan", "cannot write to standard output", "", kExitFailed);
    }
    if (stoppedAt != 0)
        return ReportError(console, "scan", "interrupted before address " + std::to_string(stoppedAt), boxes.Take(),
                           kExitFailed);
    if (found.empty())
        return ReportError(console, "scan", "no sensor answered on " + bus.PortName(), boxes.Take(), kExitFailed);
    return kExitOk;
}

}  // namespace kvcli
