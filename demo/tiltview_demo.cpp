// TiltviewDemo SCREENSHOT.png
//
// Runs in a directory that holds Tiltview.ini and a COMn link to a sensor bus
// (the simulator). Builds Tiltview as the program does, picks the sensor at
// address 180 from the address box, presses "Start", lets the 10 ms timer
// poll for a few seconds while printing the angle shown, saves a screenshot
// of the dialog with its text and dial, and ends through "Quit" so that
// Tiltview.ini is written as after a real session.
#include "platform/standard_descriptors.h"
#include "demo/demo_common.h"
#include "tiltview/dial_widget.h"
#include "tiltview/tiltview_app.h"
#include "tiltview/tiltview_controller.h"
#include "tiltview/tiltview_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSet>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace {

constexpr int kAddressEntry = 3;  // "180 (hB4) #03": the sensor whose angle ramps
constexpr int kSamples = 8;
constexpr int kSampleMs = 500;

}  // namespace

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    QApplication framework(argc, argv);
    if (!demo::prepare(argc, "TiltviewDemo", "Tiltview.ini")) return 2;

    CTiltviewApp app;
    std::unique_ptr<CTiltviewDlg> dialog = app.createMainDialog();
    CTiltviewController& controller = dialog->controller();
    dialog->show();

    dialog->addressBox()->setCurrentIndex(kAddressEntry);
    std::printf("port COM%d (from Tiltview.ini), address %s\n", controller.portNumber(),
                dialog->addressBox()->currentText().toUtf8().constData());
    dialog->startButton()->click();
    if (!dialog->tickTimerActive()) {
        std::fprintf(stderr, "polling did not start\n");
        dialog->quitButton()->click();
        return 1;
    }

    QSet<QString> shown;
    for (int i = 0; i < kSamples; ++i) {
        demo::runFor(kSampleMs);
        const QString text = dialog->angleField()->text();
        shown.insert(text);
        std::printf("after %4d ms: text \"%s\", dial at %.2f degrees\n", (i + 1) * kSampleMs,
                    text.toUtf8().constData(), dialog->dial()->angle());
        std::fflush(stdout);
    }
    const bool saved = dialog->grab().save(QString::fromLocal8Bit(argv[1]));
    if (saved) std::printf("screenshot: %s\n", argv[1]);
    else std::fprintf(stderr, "could not save the screenshot to %s\n", argv[1]);
    const bool moved = shown.size() >= 2 && !shown.contains(QString());

    dialog->quitButton()->click();
    dialog.reset();
    std::printf("different angles shown: %d\n", int(shown.size()));
    return saved && moved ? 0 : 1;
}
