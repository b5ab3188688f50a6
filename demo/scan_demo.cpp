// KV275ScanDemo SCREENSHOT.png
//
// Runs in a directory that holds KV275Scan.ini and a COMn link to a sensor
// bus (the simulator). Builds the scanner as KV275Scan does, presses "Scan",
// waits for the scan to end, prints the sensors found, presses "Start
// reading", lets a few ticks run, prints each marked sensor's reading, saves
// a screenshot of the dialog and closes it through its close box, so the
// settings file is written as after a real session.
#include "platform/standard_descriptors.h"
#include "demo/demo_common.h"
#include "scan/grid_cell.h"
#include "scan/scan_app.h"
#include "scan/scan_controller.h"
#include "scan/scan_dlg.h"
#include "scan/scan_layout.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"

#include <QApplication>
#include <QEventLoop>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <vector>
#include <clocale>

namespace {

constexpr int kScanTimeoutMs = 180000;  // 78 addresses, a silent one costs two read time-outs
constexpr int kReadingTimeoutMs = 20000;
constexpr int kReadingPasses = 5;

// Lets the event loop run (the dialog's timer drives the work) until `done`
// holds or the time is up.
bool runUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return done();
}

std::vector<int> markedCells(const CScanDlg& dialog) {
    std::vector<int> cells;
    for (int cell = 0; cell < scanlayout::kCellCount; ++cell)
        if (const_cast<CScanDlg&>(dialog).controller().isSelected(cell)) cells.push_back(cell);
    return cells;
}

void printCells(const char* heading, CScanDlg& dialog, const std::vector<int>& cells) {
    for (int cell : cells) {
        const QString value = dialog.valueBox(cell)->text().trimmed();
        std::printf("%s: #%02d %d %s\n", heading, cell + 1, scanlayout::addressOf(cell), value.toUtf8().constData());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    QApplication framework(argc, argv);
    if (!demo::prepare(argc, "KV275ScanDemo", "KV275Scan.ini")) return 2;
    const QString screenshotPath = QString::fromLocal8Bit(argv[1]);

    ScanSettings settings;
    CSensorSession session(settings);
    CScanApp app(settings, session);
    std::unique_ptr<CScanDlg> dialog = app.createMainDialog();
    CScanController& controller = dialog->controller();
    dialog->show();

    std::printf("scanning the bus on COM%d ...\n", settings.ISPort);
    std::fflush(stdout);
    dialog->scanButton()->click();
    if (controller.mode() == CScanController::Scanning &&
        !runUntil([&] { return controller.mode() != CScanController::Scanning; }, kScanTimeoutMs)) {
        std::fprintf(stderr, "the scan did not end in time\n");
        dialog->close();
        app.ExitInstance();
        return 1;
    }
    const std::vector<int> found = markedCells(*dialog);
    printCells("found", *dialog, found);
    if (found.empty()) {
        std::fprintf(stderr, "no sensor found on COM%d\n", settings.ISPort);
        dialog->close();
        app.ExitInstance();
        return 1;
    }

    dialog->readButton()->click();
    if (controller.mode() != CScanController::Reading) {
        std::fprintf(stderr, "reading did not start\n");
        dialog->close();
        app.ExitInstance();
        return 1;
    }
    const int32_t queriesBefore = session.queryCount;
    const int32_t wanted = queriesBefore + kReadingPasses * static_cast<int32_t>(found.size());
    runUntil([&] { return session.queryCount >= wanted || controller.mode() != CScanController::Reading; },
             kReadingTimeoutMs);
    const bool stillReading = controller.mode() == CScanController::Reading;
    printCells("reading", *dialog, markedCells(*dialog));

    const bool saved = dialog->grab().save(screenshotPath);
    if (!saved) std::fprintf(stderr, "could not save the screenshot to %s\n", argv[1]);
    else std::printf("screenshot: %s\n", argv[1]);

    dialog->close();  // the close box: stops reading and closes the port
    dialog.reset();
    app.ExitInstance();
    if (!stillReading) {
        std::fprintf(stderr, "reading stopped on a failed query\n");
        return 1;
    }
    return saved ? 0 : 1;
}
