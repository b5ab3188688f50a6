// KV275Scan: finds the sensors on the bus and reads their angles.
#include "scan/scan_app.h"
#include "scan/scan_settings.h"
#include "sensorlink/sensor_session.h"

#include "platform/program_info.h"
#include "platform/standard_descriptors.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    // Answered before Qt starts: no display is needed for them.
    const platform::ProgramInfo info{"KV275Scan",
                                     "finds the KV275 sensors on the bus and reads their angles",
                                     "KV275Scan   (in the directory that holds KV275Scan.ini and any COMn links)"};
    if (platform::answerInfoOptions(argc, argv, info)) return 0;
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
