// Tiltview: one sensor's angle, polled every 10 ms, as large text and a dial.
#include "tiltview/tiltview_app.h"

#include "platform/program_info.h"
#include "platform/standard_descriptors.h"

#include <QApplication>
#include <clocale>

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    // Answered before Qt starts: no display is needed for them.
    const platform::ProgramInfo info{"Tiltview",
                                     "shows one KV275 sensor's angle as large text and as a dial",
                                     "Tiltview   (in the directory that holds Tiltview.ini and any COMn links)"};
    if (platform::answerInfoOptions(argc, argv, info)) return 0;
    QApplication framework(argc, argv);
    // Numbers on the wire and on screen use a decimal point whatever the
    // user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    QApplication::setApplicationName(QStringLiteral("Tiltview"));

    CTiltviewApp app;
    app.InitInstance();
    return 0;
}
