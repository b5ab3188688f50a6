// kv275 read: the angles of the given sensors, sweep after sweep, as lines
// or CSV rows, and to an MQTT broker.

#include "cli/bus.h"
#include "cli/commands.h"
#include "sensorlink/csv_log.h"
#include "cli/exit_status.h"
#include "cli/mqtt_run.h"
#include "cli/sweep.h"
#include "cli/sweep_schedule.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace kvcli {
namespace {

// "2024-05-01T12:34:56.789Z  178: 12.50  200: --"
std::string sweepLine(readinglog::WallTime start, const std::vector<readinglog::Reading>& readings) {
    std::string line = readinglog::IsoTimestamp(start);
    for (const readinglog::Reading& r : readings) {
        char item[48];
        if (r.angle) std::snprintf(item, sizeof item, "  %d: %.2f", r.address, *r.angle);
        else std::snprintf(item, sizeof item, "  %d: --", r.address);
        line += item;
    }
    return line + "\n";
}

}  // namespace

int RunRead(const CommandLine& line, const ReadArgs& args, Console& console, BoxCollector& boxes) {
    // The file is opened before the port: a path that cannot be written, or
    // that is no regular file, is a mistake on the command line, found before
    // anything is sent.
    readinglog::CsvLog csv;
    std::string error;
    if (!args.csvFile.empty() && !csv.Open(args.csvFile, error))
        return ReportError(console, "read", error, "", kExitUsage);

    Bus bus(line.port, ScannerLine(line.baud), boxes);
    // So is the broker reached first: a run that could not publish does not start.
    std::unique_ptr<MqttPublisher> mqtt;
    if (args.mqtt) {
        const int status = ConnectPublisher(*args.mqtt, bus.PortName(), console, mqtt);
        if (status != kExitOk) {
            csv.Abandon();
            return status;
        }
    }
    if (!bus.Open()) {
        csv.Abandon();
        return bus.OpenFailed(console, "read");
    }
    if (mqtt) mqtt->Announce();

    // Per position in args.addresses, as a sweep's readings come. A sweep
    // that Ctrl+C or a lost adapter ends leaves the addresses after it
    // unasked, and an address never asked is no silent sensor.
    std::vector<uint64_t> asked(args.addresses.size(), 0);
    std::vector<uint64_t> answered(args.addresses.size(), 0);
    SweepSchedule schedule(args.intervalMs, args.count, args.durationMs);
    std::optional<int> failed;
    while (!failed && schedule.Next([&] { return console.stopRequested(); })) {
        const readinglog::WallTime start = std::chrono::system_clock::now();
        std::vector<readinglog::Reading> readings;
        const SweepEnd end = Sweep(bus, args.addresses, console, readings);
        for (size_t i = 0; i < readings.size(); ++i) {
            ++asked[i];
            answered[i] += readings[i].angle ? 1 : 0;
        }
        // Every reading taken is written before anything else happens, the
        // last one of a sweep the adapter broke off included.
        if (!readings.empty()) {
            if (mqtt) mqtt->Publish(readings);
            if (!args.csvFile.empty()) {
                if (!csv.Append(readings, error)) failed = bus.Fail(console, "read", error);
            } else {
                console.out << sweepLine(start, readings) << std::flush;
                if (!console.out) failed = bus.Fail(console, "read", "cannot write to standard output");
            }
        }
        if (!failed && end == SweepEnd::Lost) failed = bus.Fail(console, "read", "");
        if (end == SweepEnd::Stopped) break;
    }
    bus.Close();
    // What was read before a failure still goes to the broker.
    const int published = mqtt ? FinishPublishing(*mqtt, console) : kExitOk;
    if (failed) return *failed;

    std::string silent;
    for (size_t i = 0; i < args.addresses.size(); ++i)
        if (asked[i] > 0 && answered[i] == 0)
            silent += (silent.empty() ? "" : ", ") + std::to_string(args.addresses[i]);
    if (!silent.empty())
        return ReportError(console, "read", "no valid answer from " + silent + " in " +
                                                std::to_string(schedule.sweeps()) + " sweep" +
                                                (schedule.sweeps() == 1 ? "" : "s"),
                           boxes.Take(), kExitFailed);
    return published;
}

}  // namespace kvcli
