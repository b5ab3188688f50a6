// KV275TimesDemo SCREENSHOT.png
//
// Runs in a directory that holds KV275Times.ini and a COMn link to a sensor
// bus (the simulator). Builds the timing program as KV275Times does, presses
// "<- Scan", prints the sensors found, presses "Start", lets the run go for a
// few seconds, saves a screenshot showing each sensor's answer time and
// angle, presses "Stop", prints each cell's mean time and NAK count and the
// statistics line, and ends the dialog through "Quit" so that the settings
// file is written as after a real session.
#include "platform/standard_descriptors.h"
#include "demo/demo_common.h"
#include "times/timing_app.h"
#include "times/timing_controller.h"
#include "times/timing_dlg.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace {

constexpr int kRunMs = 4000;

void printCells(const char* heading, CTimingDlg& dialog) {
    for (int cell = 0; cell < timinglayout::kMaxCells; ++cell) {
        const QLineEdit* address = dialog.addressField(cell);
        if (!address || address->text().isEmpty()) continue;
        std::printf("%s: cell %d address %s  %s\n", heading, cell, address->text().toUtf8().constData(),
                    dialog.valueField(cell)->text().toUtf8().constData());
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    QApplication framework(argc, argv);
    if (!demo::prepare(argc, "KV275TimesDemo", "KV275Times.ini")) return 2;

    TimingSettings settings;
    CTimingSession session(settings);
    CTimingApp app(settings, session);
    std::unique_ptr<CTimingDlg> dialog = app.createMainDialog();
    CTimingController& controller = dialog->controller();
    dialog->show();

    std::printf("scanning the bus on COM%d (78 addresses, about 35 s) ...\n", settings.ISPort);
    std::fflush(stdout);
    dialog->scanButton()->click();
    std::printf("sensors found: %s\n", dialog->sensorsField()->text().toUtf8().constData());
    printCells("found", *dialog);

    dialog->startButton()->click();
    if (!controller.running()) {
        std::fprintf(stderr, "the run did not start\n");
        dialog->quitButton()->click();
        app.ExitInstance();
        return 1;
    }
    demo::runFor(kRunMs);
    printCells("running", *dialog);
    const bool saved = dialog->grab().save(QString::fromLocal8Bit(argv[1]));
    if (saved) std::printf("screenshot: %s\n", argv[1]);
    else std::fprintf(stderr, "could not save the screenshot to %s\n", argv[1]);

    dialog->startButton()->click();  // "Stop": means and NAK counts
    printCells("mean ms/NAKs", *dialog);
    std::printf("statistics: %s\n", dialog->statisticsField()->text().toUtf8().constData());
    const bool ran = session.queryCount > 0 && session.failedQueryCount < session.queryCount;

    dialog->quitButton()->click();
    dialog.reset();
    app.ExitInstance();
    return saved && ran ? 0 : 1;
}
