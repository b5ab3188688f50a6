// Tiltview's poll against the simulator at 9600 baud (answer delay 3 ms),
// each case beside the line's floor. With b = bench::byteMs(9600) and d the
// answer delay:
//   good reply      G = max(15, 2 b + d + 11 b) + 10: the 15 ms wait or the
//                   request, the answer delay and the 11 reply bytes,
//                   whichever ends later, then the 10 ms gap after the last
//                   byte that ends the read of up to 16 bytes;
//   silent sensor   S = 15 + (2 x 16 + 100): the wait and the read's whole
//                   time-out;
//   sustained poll  the period of polls through the dialog's own timer over
//                   about 5 s, beside G (each tick blocks in its poll for
//                   longer than the timer's 10 ms, so G is the period).
// Besides those: the time one whole dial takes to draw (goal under 1 ms),
// and the processor time the dialog uses while stopped (goal: none, that is
// under 1 ms a second for the event loop's own housekeeping).
#include "bench/bench_common.h"
#include "tiltview/angle_poll.h"
#include "tiltview/dial_geometry.h"
#include "tiltview/dial_widget.h"
#include "tiltview/port_link.h"
#include "tiltview/tiltview_dlg.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <fstream>

namespace {

constexpr unsigned kBaud = 9600;
constexpr unsigned kAnswerDelay = 3;
constexpr int kSensor = 180;
constexpr int8_t kSensorIndex = kSensor - tiltpoll::kBroadcastAddress;
constexpr int8_t kSilentIndex = 40;  // 217: nobody there

void runEventLoopFor(int ms) {
    QEventLoop loop;
    // A coarse timer may end a wait of seconds up to 5 % early.
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    bench::printBoxesToStderr();
    bench::ScratchDir dir;

    kv275sim::SimulatorOptions options;
    options.directory = dir.path();
    options.baud = kBaud;
    options.answerDelayMs = kAnswerDelay;
    options.sensors = {{kSensor, kv275sim::AngleMotion::fixed(12.34)}};
    kv275sim::Simulator sim(options);
    sim.start();

    const PortSettings line;
    const double good = bench::answeringMs(kBaud, kAnswerDelay) + line.ReadIntervalTimeout;
    const double silent = bench::kAnswerWaitMs + line.ReadTotalTimeoutMultiplier * tiltpoll::kReplyBytes + line.ReadTotalTimeoutConstant;
    std::vector<bench::Row> rows;

    {
        CPortLink port;
        if (port.Open(1) != 0 || port.Configure(line) != 0) {
            std::fprintf(stderr, "bench_poll: COM1 could not be opened\n");
            return 1;
        }
        PollAngle(port, kSensorIndex, 0.0);  // warm up
        rows.push_back({"(a) one poll, good reply", bench::medianMs(50, [&] {
                            if (PollAngle(port, kSensorIndex, 0.0).angle != 12.34)
                                std::fprintf(stderr, "bad reading\n");
                        }),
                        good});
        rows.push_back({"(b) one poll, silent sensor", bench::medianMs(7, [&] {
                            if (PollAngle(port, kSilentIndex, 1.0).valid) std::fprintf(stderr, "a reply from nobody\n");
                        }),
                        silent});
    }

    std::ofstream(dir.path() + "/Tiltview.ini") << "1";
    CTiltviewDlg dialog(dir.path());
    dialog.show();
    dialog.addressBox()->setCurrentIndex(kSensorIndex);
    runEventLoopFor(200);
    dialog.startButton()->click();
    runEventLoopFor(300);  // past the first polls and paints
    const uint64_t before = sim.bus().counters().angleQueries;
    QElapsedTimer clock;
    clock.start();
    runEventLoopFor(5000);
    const double elapsed = clock.nsecsElapsed() / 1e6;
    const uint64_t polls = sim.bus().counters().angleQueries - before;
    if (polls == 0) {
        std::fprintf(stderr, "bench_poll: no poll through the dialog's timer\n");
        return 1;
    }
    rows.push_back({"(c) sustained poll through the dialog's timer, period", elapsed / polls, good});
    dialog.stopButton()->click();
    const int over = bench::printTable("Tiltview's poll at 9600 baud (answer delay 3 ms)", rows);
    std::printf("%-52s %12llu\n", "    polls in the sustained run", static_cast<unsigned long long>(polls));

    // The dial as the widget draws it: the whole dial into its contents, at
    // the dialog's size and, for headroom, ten times as wide and high.
    bool drawsFast = true;
    const QSize dialogSize = dialog.dial()->contentsRect().size();
    for (const QSize size : {dialogSize, dialogSize * 10}) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        std::vector<double> draws;
        for (int i = 0; i < 2000; ++i) {
            const auto begin = std::chrono::steady_clock::now();
            QPainter painter(&image);
            tiltdial::PaintDial(painter, tiltdial::DialGeometry(i * 0.18, size.width(), size.height()));
            painter.end();
            draws.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
        }
        const double draw = bench::medianOf(draws);
        std::sort(draws.begin(), draws.end());
        const double draw99 = draws[draws.size() * 99 / 100];
        drawsFast = drawsFast && draw < 1.0;
        const std::string name =
            "dial draw, " + std::to_string(size.width()) + " x " + std::to_string(size.height()) + " px, median";
        std::printf("%s%-52s %9.3f ms (99th percentile %.3f ms)%s\n", size == dialogSize ? "\n" : "", name.c_str(),
                    draw, draw99, draw < 1.0 ? "" : "  over goal");
    }

    // Stopped: the dialog's thread should sleep in its event loop.
    runEventLoopFor(300);
    const double cpuBefore = bench::threadCpuMs();
    runEventLoopFor(3000);
    const double idleCpu = (bench::threadCpuMs() - cpuBefore) / 3.0;
    const bool idle = idleCpu < 1.0 && !dialog.tickTimerActive();
    std::printf("%-52s %9.3f ms a second%s\n", "processor time while stopped", idleCpu, idle ? "" : "  over goal");

    sim.stop();
    return over || !drawsFast || !idle ? 3 : 0;
}
