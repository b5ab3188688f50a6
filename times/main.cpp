// KV275Times: how long the sensors on the bus take to answer.
#include "times/timing_app.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include "platform/program_info.h"
#include "platform/standard_descriptors.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    // Answered before Qt starts: no display is needed for them.
    const platform::ProgramInfo info{"KV275Times",
                                     "answer times and angles of KV275 sensors, sensor after sensor",
                                     "KV275Times   (in the directory that holds KV275Times.ini and any COMn links)"};
    if (platform::answerInfoOptions(argc, argv, info)) return 0;
    QApplication framework(argc, argv);
    // Numbers on the wire, in the settings file and on screen use a decimal
    // point whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("KV275Times"));

    // Program-wide, before the application object and destroyed after it.
    TimingSettings settings;
    CTimingSession session(settings);

    CTimingApp app(settings, session);
    app.InitInstance();
    return app.ExitInstance();
}
