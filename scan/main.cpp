// KV275Scan: finds the sensors on the bus and reads their angles.
#include "scan/scan_app.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    QApplication framework(argc, argv);
    // Numbers on the wire, in the settings files and on screen use a decimal
    // point whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("KV275Scan"));

    // Program-wide, before the application object and destroyed after it.
    ScanSettings settings;
    CSensorSession session(settings);

    CScanApp app(settings, session);
    app.InitInstance();
    return app.ExitInstance();
}
