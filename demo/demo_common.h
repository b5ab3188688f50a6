#pragma once
// What every demo driver does before and while it drives its tool.

#include "platform/message_box.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <clocale>
#include <cstdio>

namespace demo {

// Numbers on the wire, in the settings files and on screen use a decimal
// point whatever the user's locale (Qt takes the environment's). Without a
// screen nobody can answer a box: each is printed, and a question answered
// yes. False, after the usage line, when the screenshot's path is missing.
inline bool prepare(int argc, const char* program, const char* settingsFile) {
    setlocale(LC_NUMERIC, "C");
    QGuiApplication::setApplicationName(QString::fromUtf8(program));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SCREENSHOT.png\nRun it in a directory with %s and a COMn link to a sensor bus.\n",
                     program, settingsFile);
        return false;
    }
    if (QGuiApplication::platformName() == QLatin1String("offscreen"))
        platform::setMessageBoxHandler([](const platform::MessageBoxCall& call) {
            std::fprintf(stderr, "[%s] %s\n", call.title.c_str(), call.text.c_str());
            return call.buttons == platform::MsgButtons::YesNo || call.buttons == platform::MsgButtons::YesNoCancel
                       ? platform::MsgResult::Yes
                       : platform::MsgResult::Ok;
        });
    return true;
}

// Lets the event loop run (the dialog's timer drives the tool) for a while.
inline void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace demo
