// Reads every sensor given on the command line once through the sensor
// session and prints its address and angle: the first look at a bus.
//   read_angles PORT INDEX...   (INDEX 1..78 = address 178..255)
#include "platform/standard_descriptors.h"
#include "sensorlink/sensor_session.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <clocale>

int main(int argc, char** argv) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    QApplication app(argc, argv);  // failure boxes need it
    // Numbers on the wire, in the settings files and on screen use a decimal
    // point whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PORT INDEX...\n", argv[0]);
        return 2;
    }
    SessionSettings settings;
    settings.ISPort = static_cast<int8_t>(std::atoi(argv[1]));
    CSensorSession session(settings);
    session.messageLanguage = 0;  // report failures here, not in boxes
    if (!session.OpenSession(-1)) {
        std::fprintf(stderr, "could not open COM%d\n", settings.ISPort);
        return 1;
    }
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        const int index = std::atoi(argv[i]);
        const double angle = session.GetKV275degrees(static_cast<uint16_t>(index));
        if (angle == -1.0) {
            std::printf("address %d (#%02d): no answer\n", 177 + index, index);
            ++failures;
        } else {
            std::printf("address %d (#%02d): %06.2f deg\n", 177 + index, index, angle);
        }
    }
    session.CloseSession();
    return failures ? 1 : 0;
}
