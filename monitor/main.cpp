// KV275Monitor: the bus's angles over time, as plots and statistics.
#include "monitor/monitor_app.h"
#include "platform/program_info.h"
#include "platform/standard_descriptors.h"
#include "sensorlink/sensor_session.h"
#include "sensorlink/session_settings.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    // Answered before Qt starts: no display is needed for them.
    const platform::ProgramInfo info{
        "KV275Monitor", "plots the angles of KV275 sensors over time, with statistics, CSV record and replay",
        "KV275Monitor   (in the directory that holds KV275Monitor.ini and any COMn links)"};
    if (platform::answerInfoOptions(argc, argv, info)) return 0;
    QApplication framework(argc, argv);
    // Numbers on the wire, in the files and on screen use a decimal point
    // whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("KV275Monitor"));

    // Program-wide, before the application object and destroyed after it.
    SessionSettings sessionSettings;
    CSensorSession session(sessionSettings);

    CMonitorApp app(session);
    app.InitInstance();
    return app.ExitInstance();
}
