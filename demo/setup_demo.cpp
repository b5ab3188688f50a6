// KV275SetupDemo SCREENSHOT.png
//
// Runs in a directory that holds KV275Setup.ini and a COMn link to a sensor
// bus (the simulator). Builds the setup program as KV275Setup does, chooses
// the sensor at 178, presses "-> read variables", prints the five variables,
// chooses another filter and cut-off, presses "<- write variables", reads
// again, prints the values after the write, saves a screenshot of the values
// read and ends through "Quit", so that the settings file is written.
#include "platform/message_box.h"
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

// Without a screen nobody can answer a box: print it and go on.
void reportBoxesOnTheConsole() {
    platform::setMessageBoxHandler([](const platform::MessageBoxCall& call) {
        std::fprintf(stderr, "[%s] %s\n", call.title.c_str(), call.text.c_str());
        return call.buttons == platform::MsgButtons::YesNo ? platform::MsgResult::Yes : platform::MsgResult::Ok;
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication framework(argc, argv);
    // Numbers on the wire, in the settings file and on screen use a decimal
    // point whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("KV275SetupDemo"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: KV275SetupDemo SCREENSHOT.png\n"
                             "Run it in a directory with KV275Setup.ini and a COMn link to a sensor bus.\n");
        return 2;
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) reportBoxesOnTheConsole();

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
