// The timing program against the simulator at 9600 baud (answer delay 3 ms),
// each case beside the line's floor. With b = bench::byteMs(9600) (10 bits a
// byte) and d the answer delay:
//   answering sensor  A = max(15, 2 b + d + 11 b): the 15 ms wait or the
//                     request, the answer delay and the 11 reply bytes,
//                     whichever ends later;
//   silent address    S(n, T) = n (15 + T) + (n - 1) 15: n reads, each with
//                     its 15 ms wait and its total time-out T, and the 15 ms
//                     wait before each NAK but the last read's, which gets
//                     none (a pseudo-terminal carries a NAK at once);
//   run's reads       T = 7 x 11 + 124 = 201 ms, three reads a query;
//   scan's probes     T = 0 x 11 + 200 = 200 ms, two reads a probe.
// The cases and their floors:
//   run sweep, ten answering sensors            10 A
//   run sweep, nine answering and one silent    9 A + S(3, 201)
//   whole scan, k of the 78 addresses answering (78 - k) S(2, 200) + k A,
//                and on an empty bus one more silent probe of 177
//   probe of one silent address                 S(2, 200)
// A run's sweeps are driven directly (the controller's OnTimer) so that the
// window timer's schedule is not timed; a scan runs synchronously inside the
// click on "<- Scan" and needs no event loop at all.
#include "bench/bench_common.h"
#include "times/timing_controller.h"
#include "times/timing_dlg.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <clocale>

namespace {

constexpr unsigned kBaud = 9600;
constexpr unsigned kAnswerDelay = 3;
constexpr int kRows = 2;
constexpr int kColumns = 5;

double readTimeoutMs(const ComParameters& p) {
    return p.ReadTotalTimeoutMultiplier * 11.0 + p.ReadTotalTimeoutConstant;
}

double silentMs(int reads, const ComParameters& p) {
    return reads * (bench::kAnswerWaitMs + readTimeoutMs(p)) + (reads - 1) * bench::kAnswerWaitMs;  // a wait before each read and each NAK
}

// The simulator with the given sensors (those in `silent` never answer) and
// the timing dialog on its COM1, with a grid of ten cells laid out through
// the boxes and "<- Apply" as a user would.
struct TimesOnBus {
    TimesOnBus(const std::vector<int>& addresses, const std::vector<int>& silent = {}) {
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.baud = kBaud;
        options.answerDelayMs = kAnswerDelay;
        options.sensors = bench::sensorsAt(addresses);
        for (int a : silent) options.faults.push_back({kv275sim::FaultKind::Silence, 1.0, a});
        sim = std::make_unique<kv275sim::Simulator>(options);
        sim->start();
        settings.ISPort = 1;  // the simulator's COM1
        session.messageLanguage = 2;
        dialog = std::make_unique<CTimingDlg>(settings, session);
        dialog->show();
        dialog->rowsBox()->setEditText(QString::number(kRows));
        dialog->columnsBox()->setEditText(QString::number(kColumns));
        dialog->applyButton()->click();
    }
    ~TimesOnBus() {
        // Ends as "Quit" does: the grid read back, the port closed.
        dialog->done(0);
    }
    bench::ScratchDir dir;
    std::unique_ptr<kv275sim::Simulator> sim;
    TimingSettings settings;
    CTimingSession session{settings};
    std::unique_ptr<CTimingDlg> dialog;
};

// Types the addresses into the grid's address fields, one a cell, and starts
// the run. Typing into a field marks the grid changed (a key press would).
void startRun(TimesOnBus& bus, const std::vector<int>& addresses) {
    CTimingDlg& dialog = *bus.dialog;
    for (size_t cell = 0; cell < addresses.size(); ++cell) {
        QLineEdit* field = dialog.addressField(static_cast<int>(cell));
        if (!field) {
            std::fprintf(stderr, "the grid has no cell %zu\n", cell);
            std::exit(1);
        }
        field->setText(QString::number(addresses[cell]));
        dialog.controller().OnKey();
    }
    dialog.startButton()->click();
    if (!dialog.controller().running() || bus.settings.addressCount != static_cast<int32_t>(addresses.size())) {
        std::fprintf(stderr, "the run did not start with %zu sensors\n", addresses.size());
        std::exit(1);
    }
}

void stopRun(TimesOnBus& bus) {
    bus.dialog->startButton()->click();
    if (bus.dialog->controller().running()) std::fprintf(stderr, "the run did not stop\n");
}

bench::Row answeringSweepRow(const std::vector<int>& addresses) {
    TimesOnBus bus(addresses);
    startRun(bus, addresses);
    CTimingController& controller = bus.dialog->controller();
    constexpr int kSweeps = 30;
    const double cpuBefore = bench::threadCpuMs();
    const double ms = bench::medianMs(kSweeps, [&] { controller.OnTimer(); });
    const double cpuPerSweep = (bench::threadCpuMs() - cpuBefore) / kSweeps;
    if (bus.session.failedQueryCount != 0 || bus.session.nakCount != 0)
        std::fprintf(stderr, "answering sweeps: %d failed queries, %d NAKs\n", bus.session.failedQueryCount,
                     bus.session.nakCount);
    stopRun(bus);
    std::printf("processor time per run sweep: %.2f ms of %.2f ms (%.0f %% of a core)\n", cpuPerSweep, ms,
                100.0 * cpuPerSweep / ms);
    return {"one run sweep over ten answering sensors", ms, addresses.size() * bench::answeringMs(kBaud, kAnswerDelay)};
}

bench::Row silentSweepRow(const std::vector<int>& addresses, int silent) {
    TimesOnBus bus(addresses, {silent});
    startRun(bus, addresses);
    CTimingController& controller = bus.dialog->controller();
    constexpr int kSweeps = 9;
    const double ms = bench::medianMs(kSweeps, [&] { controller.OnTimer(); });
    if (bus.session.failedQueryCount != kSweeps)
        std::fprintf(stderr, "silent sweeps: %d failed queries in %d sweeps\n", bus.session.failedQueryCount, kSweeps);
    stopRun(bus);
    const double floor = (addresses.size() - 1) * bench::answeringMs(kBaud, kAnswerDelay) + silentMs(3, bus.settings.comParameters);
    return {"one run sweep over ten sensors, one silent", ms, floor};
}

bench::Row scanRow(const std::vector<int>& addresses, const char* name) {
    TimesOnBus bus(addresses);
    CTimingDlg& dialog = *bus.dialog;
    const double ms = bench::medianMs(1, [&] { dialog.scanButton()->click(); });
    const int found = dialog.controller().scanCount();
    // An empty bus ends with the probe of 177, which finds nobody either.
    if (found != static_cast<int>(addresses.size())) std::fprintf(stderr, "%s: found %d sensors\n", name, found);
    const double silent = silentMs(2, bus.session.scanParameters);
    const size_t answering = addresses.size();
    const size_t silentProbes = 78 - answering + (answering == 0 ? 1 : 0);
    return {name, ms, silentProbes * silent + answering * bench::answeringMs(kBaud, kAnswerDelay)};
}

bench::Row probeRow(const std::vector<int>& addresses, int silentIndex) {
    TimesOnBus bus(addresses);
    CTimingSession& session = bus.session;
    session.OpenForScan(0);
    if (!session.IsOpen()) {
        std::fprintf(stderr, "the scan's port did not open\n");
        std::exit(1);
    }
    const double ms = bench::medianMs(5, [&] {
        if (session.ProbeAddress(silentIndex)) std::fprintf(stderr, "index %d answered\n", silentIndex);
    });
    session.CloseAfterScan();
    return {"scan's probe of one silent address", ms, silentMs(2, session.scanParameters)};
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Numbers on the wire, in the settings files and on screen use a decimal
    // point whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    bench::printBoxesToStderr();
    const std::vector<int> ten{178, 185, 190, 200, 210, 220, 230, 240, 250, 255};
    const char* const title = "KV275Times at 9600 baud (answer delay 3 ms)";

    std::vector<bench::Row> rows;
    rows.push_back(answeringSweepRow(ten));
    rows.push_back(silentSweepRow(ten, 220));
    rows.push_back(probeRow(ten, 207 - 177));  // 207 is not on the bus
    // --sweep: the sweeps and the probe alone, without the scans' two minutes.
    if (argc > 1 && std::string(argv[1]) == "--sweep") return bench::printTable(title, rows) ? 3 : 0;
    rows.push_back(scanRow({}, "whole scan, no sensor"));
    rows.push_back(scanRow({200}, "whole scan, one sensor"));
    rows.push_back(scanRow(ten, "whole scan, ten sensors"));
    const int over = bench::printTable(title, rows);
    return over ? 3 : 0;
}
