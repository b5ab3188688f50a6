// The scanner against the simulator at 9600 baud: a whole scan of the bus
// with none, one and ten sensors, and one reading sweep over ten marked
// sensors, each beside its floor. The floor of a silent address is two reads,
// each with its 15 ms wait and its total time-out, and the 15 ms wait before
// the NAK between them; of an answering one the 15 ms wait or the request, the answer delay and
// the 11 reply bytes, whichever ends later. A scan also waits one timer
// interval (10 ms) before its first tick.
#include "bench/bench_common.h"
#include "scan/grid_cell.h"
#include "scan/scan_controller.h"
#include "scan/scan_dlg.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <clocale>

namespace {

constexpr unsigned kBaud = 9600;
constexpr unsigned kAnswerDelay = 3;

double silentScanMs(const ComParameters& p) {
    const double readTimeout = p.ReadTotalTimeoutMultiplier * 11.0 + p.ReadTotalTimeoutConstant;
    return 2 * (15.0 + readTimeout) + 15.0;  // no NAK (nor its wait) after the last read
}

// Runs the event loop until the dialog is idle again.
void waitForIdle(CScanDlg& dialog) {
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (dialog.controller().mode() == CScanController::Idle) loop.quit();
    });
    poll.start(1);
    loop.exec();
}

// The simulator with the given sensors and a scanner dialog on its COM1.
struct ScannerOnBus {
    explicit ScannerOnBus(const std::vector<int>& addresses) {
        kv275sim::SimulatorOptions options;
        options.directory = dir.path();
        options.baud = kBaud;
        options.answerDelayMs = kAnswerDelay;
        options.sensors = bench::sensorsAt(addresses);
        sim = std::make_unique<kv275sim::Simulator>(options);
        sim->start();
        session.messageLanguage = 2;
        dialog = std::make_unique<CScanDlg>(settings, session);
        dialog->show();
    }
    bench::ScratchDir dir;
    std::unique_ptr<kv275sim::Simulator> sim;
    ScanSettings settings;
    CSensorSession session{settings};
    std::unique_ptr<CScanDlg> dialog;
};

bench::Row scanRow(const std::vector<int>& addresses, const char* name) {
    ScannerOnBus bus(addresses);
    CScanDlg& dialog = *bus.dialog;
    const double ms = bench::medianMs(1, [&] {
        dialog.scanButton()->click();
        waitForIdle(dialog);
    });
    int found = 0;
    for (int cell = 0; cell < 78; ++cell) found += dialog.controller().isSelected(cell);
    if (found != static_cast<int>(addresses.size())) std::fprintf(stderr, "%s: found %d sensors\n", name, found);
    const double silent = silentScanMs(bus.settings.comParameters);
    const double floor = 10.0 + (78 - addresses.size()) * silent + addresses.size() * bench::answeringMs(kBaud, kAnswerDelay);
    return {name, ms, floor};
}

bench::Row sweepRow(const std::vector<int>& addresses) {
    ScannerOnBus bus(addresses);
    CScanDlg& dialog = *bus.dialog;
    // Mark the sensors' cells by clicking their labels, as a user would.
    for (int a : addresses) {
        const QRect r = dialog.addressLabel(a - 178)->geometry();
        dialog.controller().OnLButtonDown(r.center().x(), r.center().y());
    }
    dialog.readButton()->click();
    if (dialog.controller().mode() != CScanController::Reading) {
        std::fprintf(stderr, "reading did not start\n");
        std::exit(1);
    }
    // Sweeps driven directly, so that the timer's own schedule is not timed.
    constexpr int kSweeps = 30;
    const double cpuBefore = bench::threadCpuMs();
    const double ms = bench::medianMs(kSweeps, [&] { dialog.controller().OnTimer(); });
    const double cpuPerSweep = (bench::threadCpuMs() - cpuBefore) / kSweeps;
    dialog.readButton()->click();
    std::printf("processor time per reading sweep: %.2f ms of %.2f ms (%.0f %% of a core)\n", cpuPerSweep, ms,
                100.0 * cpuPerSweep / ms);
    return {"one reading sweep over ten marked sensors", ms, addresses.size() * bench::answeringMs(kBaud, kAnswerDelay)};
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

    std::vector<bench::Row> rows;
    rows.push_back(sweepRow(ten));
    // --sweep: the reading sweep alone, without the scans' few minutes.
    if (argc > 1 && std::string(argv[1]) == "--sweep")
        return bench::printTable("KV275Scan at 9600 baud (answer delay 3 ms)", rows) ? 3 : 0;
    rows.push_back(scanRow({}, "whole scan, no sensor"));
    rows.push_back(scanRow({200}, "whole scan, one sensor"));
    rows.push_back(scanRow(ten, "whole scan, ten sensors"));
    const int over = bench::printTable("KV275Scan at 9600 baud (answer delay 3 ms)", rows);
    return over ? 3 : 0;
}
