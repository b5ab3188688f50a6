// KV275SetupDemo SCREENSHOT.png
//
// Runs in a directory that holds KV275Setup.ini and a COMn link to a sensor
// bus (the simulator). Builds the setup program as KV275Setup does, chooses
// the sensor at 178, presses "-> read variables", prints the five variables,
// chooses another filter and cut-off, presses "<- write variables", reads
// again, prints the values after the write, saves a screenshot of the values
// read and ends through "Quit", so that the settings file is written.
#include "platform/standard_descriptors.h"
#include "demo/demo_common.h"
#include "sensorlink/sensor_session.h"
#include "setup/setup_app.h"
#include "setup/setup_dlg.h"
#include "setup/setup_settings.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include <clocale>
#include <cstdio>

namespace {

void printValues(const char* heading, CSetupDlg& d) {
    std::printf("%s: filter %s, order %s, cut-off %s, address %s, delay %s\n", heading,
                d.filterList()->currentText().toUtf8().constData(), d.orderList()->currentText().toUtf8().constData(),
                d.cutoffBox()->currentText().toUtf8().constData(), d.newAddressBox()->currentText().toUtf8().constData(),
                d.delayBox()->currentText().toUtf8().constData());
    std::fflush(stdout);
}

// Types into an editable field and leaves it, as a user would.
void type(CSetupDlg& d, QComboBox* box, const char* text) {
    box->setFocus();
    box->lineEdit()->setText(QString::fromUtf8(text));
    d.controller().OnKillFocusValue();
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    QApplication framework(argc, argv);
    if (!demo::prepare(argc, "KV275SetupDemo", "KV275Setup.ini")) return 2;

    SetupSettings settings;
    CSensorSession session(settings, SessionForm::Setup);
    CSetupApp app(settings, session);
    LoadSetupSettings(settings);
    std::unique_ptr<CSetupDlg> dialog = app.createMainDialog();
    CSetupDlg& d = *dialog;
    d.show();

    // Several sensors share the bus: talk to the one at 178 alone.
    type(d, d.currentAddressBox(), "178");
    d.readButton()->click();
    std::printf("read: %s\n", d.readButton()->text().toUtf8().constData());
    printValues("before", d);
    const bool readOk = d.readButton()->text() == QLatin1String("-> read variables");

    d.filterList()->setCurrentIndex(1);  // 2 (aperiodical)
    type(d, d.cutoffBox(), "10");
    d.writeButton()->click();
    std::printf("write: %s\n", d.writeButton()->text().toUtf8().constData());
    const bool writeOk = d.writeButton()->text() == QLatin1String("<- write variables");

    d.readButton()->click();
    printValues("after", d);
    const bool saved = d.grab().save(QString::fromLocal8Bit(argv[1]));
    if (saved) std::printf("screenshot: %s\n", argv[1]);
    else std::fprintf(stderr, "could not save the screenshot to %s\n", argv[1]);

    d.quitButton()->click();
    app.finishDialog(d.result() == QDialog::Accepted);
    dialog.reset();
    return readOk && writeOk && saved ? 0 : 1;
}
