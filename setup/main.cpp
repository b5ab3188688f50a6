// KV275Setup: reads and writes the configuration variables of a sensor.
#include "sensorlink/sensor_session.h"
#include "setup/setup_app.h"
#include "setup/setup_settings.h"

#include "platform/program_info.h"
#include "platform/standard_descriptors.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    // Answered before Qt starts: no display is needed for them.
    const platform::ProgramInfo info{"KV275Setup",
                                     "reads and writes the configuration variables of a KV275 sensor",
                                     "KV275Setup   (in the directory that holds KV275Setup.ini and any COMn links)"};
    if (platform::answerInfoOptions(argc, argv, info)) return 0;
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
