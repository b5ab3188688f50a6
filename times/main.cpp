// KV275Times: how long the sensors on the bus take to answer.
#include "times/timing_app.h"
#include "times/timing_session.h"
#include "times/timing_settings.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
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
