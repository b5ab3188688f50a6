#pragma once
// The fast scan of a bus: every address 178..255 asked once with a read
// limit fitted to the line, so that a healthy bus is covered in seconds.
//
// A sensor that answers later than that limit sends its reply while the
// next address is being asked, where it would pass for an answer from an
// address with no sensor. So nothing the quick pass heard is listed before
// it was confirmed by asking again with a read limit that waits for late
// sensors (the scanner's):
//  - every address that answered the quick pass is asked again;
//  - so is the address before it, when the answer did not come again, came
//    late or told another angle: a late reply comes from there;
//  - after the last address the scan listens as long as a confirmation
//    waits: a reply then comes from a late sensor at the end of the bus,
//    which is asked again as well.
// A sensor whose confirming answer took longer than the quick limit is
// marked late, so that the user knows to give a longer limit or to use the
// full scan.

#include "sensorlink/com_parameters.h"
#include "sensorlink/sensor_session.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace fastscan {

// The quick pass's read limit: the 11 reply bytes' time on the line plus
// 18 ms, for a sensor that starts its reply up to 33 ms after the request
// (the session waits 15 ms before it reads). 30 ms at 9600 baud.
uint32_t DefaultReadLimitMs(uint32_t baud);
// One read limit for the whole reply, and nothing else.
ComParameters QuickLine(uint32_t baud, uint32_t readLimitMs);

struct Sensor {
    int address = 0;
    double angle = 0;
    int32_t answerMs = 0;  // of the confirming query: ms spent in reads
    bool late = false;     // answered later than the quick pass's limit
};

struct Result {
    std::vector<Sensor> sensors;  // confirmed, in address order
    // Answered the quick pass but not when asked again, and no late sensor
    // before it explains the answer: a sensor later than even the
    // confirmation waits, or a noisy line.
    std::vector<int> unconfirmed;
    // Stopped (Ctrl+C, the adapter gone, the line refused) before this
    // address was asked or confirmed; 0 when the scan went through.
    int stoppedAt = 0;
    bool lost = false;          // the adapter went away; the session says how
    bool lineRefused = false;   // the port refused a line setting (its box was shown)
};

struct Hooks {
    std::function<bool()> stopRequested;                      // looked at before every query
    std::function<void(int address, size_t heard)> progress;  // before each query of the quick pass
};

// Scans on an open session, which it leaves with the confirmation's line
// settings; queries show no box.
Result Run(CSensorSession& session, uint32_t baud, uint32_t readLimitMs, const Hooks& hooks = {});

}  // namespace fastscan
