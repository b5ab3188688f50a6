// The angle query against the simulator at 9600 baud, each case beside the
// line's own floor:
//  (a) a good query: the 15 ms wait, or the request, the answer delay and the
//      11 reply bytes, whichever ends later;
//  (b) a silent sensor with three reads: per read the 15 ms wait and the
//      read's total time-out, and the 15 ms wait before each of the two NAKs
//      (none follows the last read);
//  (c) a read of 11 bytes on a silent line with a total time-out of 201 ms.
#include "bench/bench_common.h"
#include "sensorlink/sensor_session.h"

int main() {
    bench::printBoxesToStderr();
    bench::ScratchDir dir;
    const unsigned baud = 9600;
    const unsigned answerDelay = 3;

    kv275sim::SimulatorOptions options;
    options.directory = dir.path();
    options.baud = baud;
    options.answerDelayMs = answerDelay;
    options.sensors = {{178, kv275sim::AngleMotion::fixed(12.34)}};
    kv275sim::Simulator sim(options);
    sim.start();

    SessionSettings settings;  // the defaults: 9600 baud, time-outs 200, 7, 124
    CSensorSession session(settings);
    session.messageLanguage = 0;
    if (!session.OpenSession(-1)) return 1;

    const ComParameters& p = settings.comParameters;
    const double readTimeout = p.ReadTotalTimeoutMultiplier * 11.0 + p.ReadTotalTimeoutConstant;
    std::vector<bench::Row> rows;

    session.GetKV275degrees(1);  // warm up
    const double good = bench::medianMs(50, [&] {
        if (session.GetKV275degrees(1) != 12.34) std::fprintf(stderr, "bad reading\n");
    });
    rows.push_back({"(a) good angle query", good, bench::answeringMs(baud, answerDelay)});

    session.attempts = 3;
    const double silent = bench::medianMs(5, [&] { session.GetKV275degrees(40); });
    // A pseudo-terminal carries the NAK bytes at once, so the floor is the waits and time-outs alone.
    rows.push_back({"(b) silent sensor, 3 reads", silent, 3 * (15.0 + readTimeout) + 2 * 15.0});

    session.CloseSession();

    CCom port;
    if (!ShowComError(port.Open(1)) || !ShowComError(port.SetComParameters(p))) return 1;
    char buffer[13];
    const double read = bench::medianMs(10, [&] { port.Read(buffer, 11); });
    rows.push_back({"(c) read of 11 bytes, silent line, 201 ms time-out", read, readTimeout});
    port.Close();
    sim.stop();

    const int over = bench::printTable("angle query at 9600 baud (answer delay 3 ms)", rows);
    return over ? 3 : 0;
}
