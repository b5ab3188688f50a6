// KV275Monitor's three goals, each measured beside its limit:
//   memory   a whole day of 78 sensors read at the bus's full rate (one
//            answered query every A = max(15, 2 b + d + 11 b) ms, b the byte
//            time at 9600 baud and d the answer delay of 3 ms) kept in the
//            monitor's store: the resident memory it adds, goal under 200 MB;
//   redraw   the plot with 78 sensors and one hour of such readings, opened
//            from a CSV as a user would, at 1600 px wide: goal under 16 ms
//            (one frame), and the whole refresh with the table beside it;
//   polling  the window's own timer polling the simulator for some seconds
//            while the plot refreshes: the period per query beside A (goal
//            within 1.05) and the processor time of the window's thread
//            (goal under 5 % of a core), for 10 and for 78 sensors.
#include "bench/bench_common.h"
#include "sensorlink/csv_log.h"
#include "monitor/monitor_controller.h"
#include "monitor/monitor_dlg.h"
#include "monitor/monitor_plot.h"
#include "monitor/plot_envelope.h"
#include "monitor/reading_store.h"
#include "sensorlink/sensor_session.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QTimer>

#include <clocale>
#include <cmath>
#include <fstream>

namespace {

constexpr unsigned kBaud = 9600;
constexpr unsigned kAnswerDelay = 3;
constexpr int kAllSensors = 78;

long residentKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long kb = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> kb;
            return kb;
        }
        std::getline(status, key);
    }
    return 0;
}

// An angle that moves, with a spike now and then, as the plot would see it.
float angleAt(int sensor, double t, long i) {
    return static_cast<float>(10.0 + sensor * 3.0 + 2.0 * std::sin(t / (20.0 + sensor)) + (i % 9973 == 0 ? 15.0 : 0.0));
}

void runEventLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool memoryCase(double periodMs) {
    const long before = residentKb();
    long readings = 0;
    {
        monitor::ReadingStore store;
        store.setWindow(3600);
        const double start = 1.7e9;
        const double day = 86400.0;
        for (double t = 0; t < day; t += periodMs / 1000.0, ++readings) {
            const int sensor = static_cast<int>(readings % kAllSensors);
            store.add(178 + sensor, {start + t, angleAt(sensor, t, readings), 2, 0, false});
        }
        const double mb = (residentKb() - before) / 1024.0;
        std::printf("\nmemory: a day of %d sensors, %ld readings (one every %.2f ms)\n", kAllSensors, readings,
                    periodMs);
        std::printf("%-52s %9.1f MB (goal under 200 MB)%s\n", "    resident memory added by the store", mb,
                    mb < 200.0 ? "" : "  over goal");
        return mb < 200.0;
    }
}

bool redrawCase(const std::string& dir, double periodMs) {
    // One hour of the bus's full rate, as kv275 read --csv would have written it.
    const std::string path = dir + "/hour.csv";
    {
        std::ofstream out(path);
        out << readinglog::kCsvHeader;
        const auto start = std::chrono::system_clock::from_time_t(1714564800);
        long i = 0;
        for (double t = 0; t < 3600.0; t += periodMs / 1000.0, ++i) {
            readinglog::Reading r;
            r.time = start + std::chrono::milliseconds(static_cast<long>(t * 1000));
            r.address = 178 + static_cast<int>(i % kAllSensors);
            r.angle = angleAt(r.address - 178, t, i);
            r.answerMs = 2;
            out << readinglog::CsvRow(r);
        }
    }
    monitor::MonitorSettings settings;
    SessionSettings sessionSettings;
    CSensorSession session(sessionSettings);
    CMonitorDlg dialog(settings, session);
    dialog.show();
    // The plot itself 1600 px wide, legend and margins beside it.
    dialog.resize(1600, 1000);
    runEventLoopFor(50);
    dialog.resize(1600 + 1600 - dialog.plot()->width(), 1000);
    runEventLoopFor(100);
    dialog.windowBox()->setCurrentIndex(3);
    emit dialog.windowBox()->activated(3);  // 1 h
    if (!dialog.controller().OpenCsv(path)) return false;
    runEventLoopFor(100);
    std::vector<double> plotMs, allMs;
    for (int i = 0; i < 30; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        dialog.plot()->refresh(dialog.controller());
        plotMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        allMs.push_back(dialog.redraw());
    }
    std::vector<double> envelopeMs;
    size_t drawn = 0;
    for (int i = 0; i < 30; ++i) {
        const auto begin = std::chrono::steady_clock::now();
        const std::optional<monitor::Span> span = dialog.controller().store().span();
        size_t points = 0;
        for (int a : dialog.controller().sensors())
            points += monitor::EnvelopeOf(*dialog.controller().store().find(a), span->from, span->to, 800).times.size();
        const auto spent = std::chrono::steady_clock::now() - begin;
        envelopeMs.push_back(std::chrono::duration<double, std::milli>(spent).count());
        if (i == 0) drawn = points;
    }
    const double plot = bench::medianOf(plotMs);
    std::sort(plotMs.begin(), plotMs.end());
    std::printf("\nredraw: %d sensors, one hour (%llu readings), plot %d px wide\n", kAllSensors,
                static_cast<unsigned long long>(dialog.controller().store().readingCount()), dialog.plot()->width());
    std::printf("%-52s %9.2f ms (90th percentile %.2f ms, goal under 16 ms)%s\n", "    plot redraw, median", plot,
                plotMs[plotMs.size() * 9 / 10], plot < 16.0 ? "" : "  over goal");
    std::printf("%-52s %9.2f ms (%zu points drawn)\n", "    of which the lines' envelopes, median",
                bench::medianOf(envelopeMs), drawn);
    std::printf("%-52s %9.2f ms\n", "    plot and statistics table, median", bench::medianOf(allMs));
    return plot < 16.0;
}

struct PollResult {
    double periodMs;
    double cpuPercent;
    uint64_t queries;
};

PollResult pollCase(const std::string& dir, int sensors, int seconds) {
    kv275sim::SimulatorOptions options;
    options.directory = dir;
    options.baud = kBaud;
    options.answerDelayMs = kAnswerDelay;
    std::vector<int> addresses;
    for (int i = 0; i < sensors; ++i) addresses.push_back(178 + i);
    options.sensors = bench::sensorsAt(addresses);
    kv275sim::Simulator sim(options);
    sim.start();

    monitor::MonitorSettings settings;
    settings.sensors = addresses;
    SessionSettings sessionSettings;
    CSensorSession session(sessionSettings);
    CMonitorDlg dialog(settings, session);
    dialog.resize(1600, 1000);
    dialog.show();
    dialog.controller().StartStop();
    runEventLoopFor(500);  // past the first queries and redraws
    const uint64_t before = sim.bus().counters().angleQueries;
    const double cpuBefore = bench::threadCpuMs();
    const auto begin = std::chrono::steady_clock::now();
    runEventLoopFor(seconds * 1000);
    const double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count();
    const double cpu = bench::threadCpuMs() - cpuBefore;
    const uint64_t queries = sim.bus().counters().angleQueries - before;
    dialog.controller().StartStop();
    sim.stop();
    return {queries ? elapsed / queries : 0.0, 100.0 * cpu / elapsed, queries};
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    setlocale(LC_NUMERIC, "C");
    bench::printBoxesToStderr();
    bench::ScratchDir dir;
    const double floor = bench::answeringMs(kBaud, kAnswerDelay);

    const bool memoryOk = memoryCase(floor);
    const bool redrawOk = redrawCase(dir.path(), floor);

    std::vector<bench::Row> rows;
    bool cpuOk = true;
    for (const auto& [sensors, seconds] : {std::pair{10, 6}, std::pair{kAllSensors, 8}}) {
        const PollResult r = pollCase(dir.path(), sensors, seconds);
        const std::string name = "polling " + std::to_string(sensors) + " sensors through the window's timer, period";
        rows.push_back({name, r.periodMs, floor});
        std::printf("%-52s %9.2f %% of a core over %llu queries (goal under 5 %%)%s\n",
                    ("processor time polling " + std::to_string(sensors) + " sensors").c_str(), r.cpuPercent,
                    static_cast<unsigned long long>(r.queries), r.cpuPercent < 5.0 ? "" : "  over goal");
        cpuOk = cpuOk && r.cpuPercent < 5.0 && r.queries > 0;
    }
    const int over = bench::printTable("KV275Monitor's polling at 9600 baud (answer delay 3 ms)", rows);
    return over || !memoryOk || !redrawOk || !cpuOk ? 3 : 0;
}
