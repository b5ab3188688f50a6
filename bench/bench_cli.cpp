// kv275 against the simulator at 9600 baud (answer delay 3 ms), its commands
// called in-process through kvcli::Main as the program's main() calls them
// (the program's own start is not timed), each case beside the line's floor.
// With b = bench::byteMs(9600) and d the answer delay:
//   answering sensor  A = max(15, 2 b + d + 11 b): the 15 ms wait or the
//                     request, the answer delay and the 11 reply bytes,
//                     whichever ends later;
//   silent address    F = 15 + T: one read after its 15 ms wait, ended by the
//                     fast scan's read limit T (30 ms at 9600 baud); no NAK
//                     follows the only attempt;
//   listening at the end  L = 201 - T: after 255, as long as the full scan's
//                     read limit (7 x 11 + 124 ms) waits beyond T, for a late
//                     reply of the last addresses;
//   confirmation      A again for every sensor heard, asked with that limit.
// The cases and their floors:
//   scan --fast, empty bus            78 F + L                goal: ratio 1.2, under 5 s
//   scan --fast, ten sensors          68 F + L + 2 x 10 A     goal: ratio 1.2
//   read, one sweep over ten sensors  10 A            goal: ratio 1.05 (the
//                                                     scanner's sweep floor)
//   the same with --mqtt              10 A            goal: ratio 1.05, and
//                                     under 1 ms more processor time a sweep
// The --mqtt case publishes at QoS 1 to a mosquitto of its own on a free
// port, which acknowledges every reading. What publishing costs is the
// processor time of the kv275 program run on its own (the sweep's thread,
// the client library's and the publisher's), less that of the same run
// without a broker.
#include "bench/bench_common.h"
#include "cli/app.h"
#include "sensorlink/fast_scan.h"
#include "bench/local_broker.h"

#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>

namespace {

constexpr unsigned kBaud = 9600;
constexpr unsigned kAnswerDelay = 3;
constexpr double kEmptyBusGoalMs = 5000.0;
const std::vector<int> kTen{178, 185, 190, 200, 210, 220, 230, 240, 250, 255};
constexpr int kReadSweeps = 30;

double answeringMs() { return bench::answeringMs(kBaud, kAnswerDelay); }

double silentFastMs() { return bench::kAnswerWaitMs + fastscan::DefaultReadLimitMs(kBaud); }

double listeningAtTheEndMs() {
    const ComParameters full;
    const double limit = full.ReadTotalTimeoutMultiplier * 11.0 + full.ReadTotalTimeoutConstant;
    return limit - fastscan::DefaultReadLimitMs(kBaud);
}

struct BusOf {
    explicit BusOf(const std::vector<int>& addresses) {
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.baud = kBaud;
        options.answerDelayMs = kAnswerDelay;
        for (int a : addresses)
            options.sensors.push_back({static_cast<uint8_t>(a), kv275sim::AngleMotion::fixed(10.0 + a % 7)});
        sim = std::make_unique<kv275sim::Simulator>(options);
        sim->start();
    }
    bench::ScratchDir dir;  // current directory: COM1 is the simulator's link
    std::unique_ptr<kv275sim::Simulator> sim;
};

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result kv275(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    kvcli::Console console{out, err, false, nullptr};
    const int status = kvcli::Main(args, console);
    return {status, out.str(), err.str()};
}

size_t linesStartingWithAnAddress(const std::string& text) {
    size_t n = 0;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) n += l.size() > 4 && l[0] == ' ' && l[1] >= '1' && l[1] <= '2';
    return n;
}

bench::Row fastScanRow(const std::vector<int>& addresses, const char* name, double& medianMs) {
    BusOf bus(addresses);
    Result last;
    medianMs = bench::medianMs(3, [&] { last = kv275({"scan", "--fast"}); });
    if (linesStartingWithAnAddress(last.out) != addresses.size())
        std::fprintf(stderr, "%s: found %zu sensors (%s)\n", name, linesStartingWithAnAddress(last.out),
                     last.err.c_str());
    const double floor =
        (78 - addresses.size()) * silentFastMs() + listeningAtTheEndMs() + 2 * addresses.size() * answeringMs();
    return {name, medianMs, floor};
}

// The read command over the ten sensors, publishing to `broker` unless it is "".
std::vector<std::string> readArgs(const std::string& broker) {
    std::vector<std::string> args{"read"};
    for (int a : kTen) args.push_back(std::to_string(a));
    args.insert(args.end(), {"--count", std::to_string(kReadSweeps)});
    if (!broker.empty()) args.insert(args.end(), {"--mqtt", broker, "--topic", "bench"});
    return args;
}

// A run in-process: its wall time and the sweep's thread's processor time, a sweep.
struct ReadRun {
    double ms;
    double threadCpuMs;
};

ReadRun readRun(const std::string& broker) {
    const double thread = bench::threadCpuMs();
    const auto begin = std::chrono::steady_clock::now();
    const Result r = kv275(readArgs(broker));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    const std::string published = "kv275 read: " + std::to_string(kReadSweeps * kTen.size()) + " readings published";
    if (r.status != 0 || r.out.find("--") != std::string::npos ||
        (!broker.empty() && r.err.find(published + " to " + broker + ", 0 dropped") == std::string::npos))
        std::fprintf(stderr, "read: status %d, a sensor without an answer or a reading not published: %s\n",
                     r.status, r.err.c_str());
    return {ms / kReadSweeps, (bench::threadCpuMs() - thread) / kReadSweeps};
}

// The same run as a program of its own, whose processor time, every thread
// of it counted and nothing of the simulator's, the system keeps: ms a sweep.
double programCpuMs(const std::string& broker, const std::string& log) {
    std::vector<std::string> args = readArgs(broker);
    args.insert(args.begin(), KV275_PATH);
    int status = 0;
    rusage usage{};
    wait4(bench::Spawn(args, log), &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) std::fprintf(stderr, "kv275 failed: see %s\n", log.c_str());
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return (ms(usage.ru_utime) + ms(usage.ru_stime)) / kReadSweeps;
}

struct ReadFigures {
    double ms = 0;
    double threadCpuMs = 0;
    double programCpuMs = 0;
};

// Medians over the runs.
ReadFigures medians(const std::vector<ReadRun>& runs, const std::vector<double>& programCpu) {
    std::vector<double> ms, thread;
    for (const ReadRun& r : runs) {
        ms.push_back(r.ms);
        thread.push_back(r.threadCpuMs);
    }
    return {bench::medianOf(ms), bench::medianOf(thread), bench::medianOf(programCpu)};
}

}  // namespace

int main() {
    double emptyMs = 0;
    double tenMs = 0;
    std::vector<bench::Row> scans;
    scans.push_back(fastScanRow({}, "scan --fast, empty bus", emptyMs));
    scans.push_back(fastScanRow(kTen, "scan --fast, ten sensors", tenMs));
    int over = bench::printTable("kv275 scan --fast at 9600 baud (answer delay 3 ms)", scans, 1.2);
    std::printf("whole empty bus: %.2f s (goal: under %.0f s)%s\n", emptyMs / 1000.0, kEmptyBusGoalMs / 1000.0,
                emptyMs < kEmptyBusGoalMs ? "" : "  over goal");
    over += emptyMs < kEmptyBusGoalMs ? 0 : 1;

    // Runs with and without the broker take turns on the same bus, so that
    // whatever else the machine does falls on both alike.
    std::vector<ReadRun> plainRuns, publishedRuns;
    std::vector<double> plainCpu, publishedCpu;
    {
        const bench::ScratchDir brokerDir;
        const bench::LocalBroker broker(brokerDir.path());
        BusOf bus(kTen);  // made current after the broker's directory, for its COM1
        const std::string log = brokerDir.path() + "/kv275.log";
        for (int i = 0; i < 5; ++i) {
            plainRuns.push_back(readRun(""));
            publishedRuns.push_back(readRun(broker.url()));
            plainCpu.push_back(programCpuMs("", log));
            publishedCpu.push_back(programCpuMs(broker.url(), log));
        }
    }
    const ReadFigures plain = medians(plainRuns, plainCpu);
    const ReadFigures published = medians(publishedRuns, publishedCpu);
    for (const auto& [name, r] : {std::pair{"", plain}, std::pair{" with --mqtt", published}})
        std::printf("processor time per read sweep%s: %.2f ms of %.2f ms on the sweep's thread (%.0f %% of a core), "
                    "%.2f ms in the kv275 program\n",
                    name, r.threadCpuMs, r.ms, 100.0 * r.threadCpuMs / r.ms, r.programCpuMs);
    const double floor = kTen.size() * answeringMs();
    over += bench::printTable("kv275 read at 9600 baud (answer delay 3 ms)",
                              {{"read, one sweep over ten sensors (30 sweeps a run)", plain.ms, floor},
                               {"read --mqtt, the same, each reading published at QoS 1", published.ms, floor}},
                              1.05);
    const double addedMs = published.programCpuMs - plain.programCpuMs;
    std::printf("processor time publishing adds per sweep of ten readings: %.3f ms (goal: under 1 ms)%s\n", addedMs,
                addedMs < 1.0 ? "" : "  over goal");
    over += addedMs < 1.0 ? 0 : 1;
    return over ? 3 : 0;
}
