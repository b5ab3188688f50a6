// kv275 times: the timing run as statistics.

#include "cli/bus.h"
#include "cli/commands.h"
#include "cli/exit_status.h"
#include "cli/sweep.h"
#include "cli/sweep_schedule.h"
#include "cli/times_report.h"

namespace kvcli {

int RunTimes(const CommandLine& line, const TimesArgs& args, Console& console, BoxCollector& boxes) {
    // The timing tool's runs use the scanner's line settings.
    Bus bus(line.port, ScannerLine(line.baud), boxes);
    if (!bus.Open()) return bus.OpenFailed(console, "times");

    std::vector<SensorTally> tallies;
    for (int a : args.addresses) {
        tallies.emplace_back();
        tallies.back().address = a;
    }
    SweepSchedule schedule(0, std::nullopt, args.durationMs);
    SweepEnd end = SweepEnd::Done;
    while (end == SweepEnd::Done && schedule.Next([&] { return console.stopRequested(); })) {
        std::vector<readinglog::Reading> readings;
        end = Sweep(bus, args.addresses, console, readings);
        for (size_t i = 0; i < readings.size(); ++i) tallies[i].Add(readings[i]);
    }
    const double seconds = static_cast<double>(schedule.elapsedMs()) / 1000.0;

    // What was measured is shown also when the adapter broke the run off.
    console.out << (args.json ? TimesJson(tallies, bus.PortName(), seconds) : TimesText(tallies)) << std::flush;
    if (end == SweepEnd::Lost) return bus.Fail(console, "times", "");
    if (!console.out) return bus.Fail(console, "times", "cannot write to standard output");
    bus.Close();

    std::string silent;
    for (const SensorTally& t : tallies)
        if (t.reads > 0 && t.answered == 0) silent += (silent.empty() ? "" : ", ") + std::to_string(t.address);
    if (!silent.empty())
        return ReportError(console, "times", "no valid answer from " + silent, boxes.Take(), kExitFailed);
    return kExitOk;
}

}  // namespace kvcli
