// KV275Setup: reads and writes the configuration variables of a sensor.
#include "sensorlink/sensor_session.h"
#include "setup/setup_app.h"
#include "setup/setup_settings.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    QApplication framework(argc, argv);
    // Numbers on the wire, in the settings file and on screen use a decimal
    // point whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("KV275Setup"));

    // Program-wide, before the application object and destroyed after it.
    SetupSettings settings;
    CSensorSession session(settings, SessionForm::Setup);

    CSetupApp app(settings, session);
    app.InitInstance();
    return 0;
}
