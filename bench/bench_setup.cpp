// The setup program against the simulator at 9600 baud (answer delay 3 ms),
// one sensor at 178, each case beside the line's floor. With
// b = bench::byteMs(9600) (10 bits a byte) and d the answer delay:
//   device check      A = max(15, 2 b + d + 11 b): the address byte and ENQ,
//                     the answer delay and the 11 angle bytes, or the 15 ms
//                     wait, whichever ends later;
//   variable read     R = max(15, 2 b + d + 1541 b): the address byte and
//                     DC1, the answer delay and the 1541 reply bytes;
//   one write         W = max(15, 17 b + d + b): the 17-byte frame, the
//                     answer delay and the ACK.
// Each 15 ms wait starts as soon as the request has been handed over (on the
// pseudo-terminal the drain returns at once and the simulator charges the
// request's line time itself), so the wait runs alongside the request, the
// answer delay and the first reply bytes, and the read ends with the last
// reply byte. The 20 ms pause before each write of a click starts only once
// the earlier exchange is over, so it overlaps nothing. Opening and closing
// the port cost nothing on the floor.
// The cases and their floors:
//   device check (open with the check, then close)   A
//   variable read on an open session                 R
//   one acknowledged write                           W
//   write click, five variables                      A + 5 (20 + W)
//   read click                                       A + R
// The clicks go through the dialog's buttons, shown on screen as a user has
// it, so the captions it repaints on the way are part of the time.
#include "bench/bench_common.h"
#include "sensorlink/sensor_session.h"
#include "setup/setup_controller.h"
#include "setup/setup_dlg.h"
#include "setup/setup_settings.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <clocale>

namespace {

constexpr unsigned kBaud = 9600;
constexpr unsigned kAnswerDelay = 3;
constexpr int kSensorAddress = 178;
constexpr int kSensorIndex = kSensorAddress - 177;
constexpr double kWritePause = 20.0;     // before each write of a click
constexpr int kWrittenVariables = 5;     // V024, V025, V026, V064, V063
constexpr double kWriteFrameBytes = 17;  // address, DC2, STX, "nnn\r", "vvvvv\r", ETB, two checksum digits, "$"

double exchangeMs(double requestBytes, double replyBytes) {
    return bench::exchangeMs(kBaud, kAnswerDelay, requestBytes, replyBytes);
}

double checkMs() { return exchangeMs(2, 11); }
double readMs() { return exchangeMs(2, static_cast<double>(variableframes::kReplyLength)); }
double writeMs() { return exchangeMs(kWriteFrameBytes, 1); }

// Median wall time of `runs` calls of `body`, with the window's pending
// events handled between the runs (not timed), as the event loop would
// between two clicks.
double medianBetweenEventsMs(int runs, const std::function<void()>& body) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QApplication::processEvents();
        times.push_back(bench::medianMs(1, body));
    }
    return bench::medianOf(times);
}

void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // Numbers on the wire, in the settings files and on screen use a decimal
    // point whatever the user's locale (Qt takes the environment's).
    setlocale(LC_NUMERIC, "C");
    bench::printBoxesToStderr();

    bench::ScratchDir dir;
    kv275sim::SimulatorOptions options;
    options.directory = dir.path();
    options.baud = kBaud;
    options.answerDelayMs = kAnswerDelay;
    options.sensors = {{static_cast<uint8_t>(kSensorAddress), kv275sim::AngleMotion::fixed(12.34)}};
    kv275sim::Simulator sim(options);
    sim.start();

    SetupSettings settings;  // the setup's defaults: COM1, 9600 8N1, time-outs 400, 7, 124 and 0, 5000
    settings.ISAddress = kSensorIndex;
    settings.ShowAddressQuestion = 0;
    CSensorSession session(settings, SessionForm::Setup);
    std::vector<bench::Row> rows;

    // 1. The device check as each click makes it: open, one angle query, close.
    auto check = [&] {
        if (!session.OpenSession(0)) fail("the device check failed");
        session.CloseSession();
    };
    check();  // warm up
    rows.push_back({"device check (open with check, close)", bench::medianMs(20, check), checkMs()});

    // 2 and 3. The transfers on a session that stays open.
    if (!session.OpenSession(0)) fail("the session did not open");
    VariableTable table{};
    auto read = [&] {
        if (!session.ReadVariables(kSensorIndex, table)) fail("the variable read failed");
    };
    read();  // warm up
    if (table[63] != kSensorAddress) fail("the variables read do not hold the sensor's address");
    rows.push_back({"variable read, 1541 bytes", bench::medianMs(5, read), readMs()});

    // The serial delay, written with its current value so that the sensor
    // stays as it was.
    const int32_t delay = table[64];
    auto write = [&] {
        if (!session.WriteVariable(kSensorIndex, 64, delay)) fail("the write was not acknowledged");
    };
    write();  // warm up
    rows.push_back({"one acknowledged write", bench::medianMs(20, write), writeMs()});
    session.CloseSession();

    // 4 and 5. The clicks through the dialog, with sensor 178 chosen as the
    // current address.
    CSetupDlg dialog(settings, session);
    dialog.show();
    dialog.currentAddressBox()->setCurrentIndex(kSensorIndex);
    QApplication::processEvents();

    const uint64_t writesBefore = sim.bus().counters().writesAccepted;
    auto writeClick = [&] { dialog.writeButton()->click(); };
    writeClick();  // warm up
    const double writeClickMs = medianBetweenEventsMs(5, writeClick);
    const uint64_t writes = sim.bus().counters().writesAccepted - writesBefore;
    if (writes != 6 * kWrittenVariables)
        std::fprintf(stderr, "write clicks: %llu writes acknowledged, %d expected\n",
                     static_cast<unsigned long long>(writes), 6 * kWrittenVariables);
    if (dialog.writeButton()->text() != "<- write variables") fail("the write click ended with an error");
    const double writeClickFloor = checkMs() + kWrittenVariables * (kWritePause + writeMs());
    rows.push_back({"write click, five variables", writeClickMs, writeClickFloor});

    const uint64_t readsBefore = sim.bus().counters().variableReads;
    auto readClick = [&] { dialog.readButton()->click(); };
    readClick();  // warm up
    const double readClickMs = medianBetweenEventsMs(5, readClick);
    if (sim.bus().counters().variableReads - readsBefore != 6) std::fprintf(stderr, "read clicks: reads missing\n");
    if (dialog.readButton()->text() != "-> read variables") fail("the read click ended with an error");
    rows.push_back({"read click", readClickMs, checkMs() + readMs()});

    dialog.done(0);
    sim.stop();
    const int over = bench::printTable("KV275Setup at 9600 baud (answer delay 3 ms)", rows);
    return over ? 3 : 0;
}
