#include "cli/sweep.h"

#include <chrono>

namespace kvcli {

SweepEnd Sweep(Bus& bus, const std::vector<int>& addresses, const Console& console, std::vector<Reading>& out) {
    for (int address : addresses) {
        if (console.stopRequested()) return SweepEnd::Stopped;
        Reading r;
        r.address = address;
        r.angle = bus.Angle(address, kRunAttempts);
        r.time = std::chrono::system_clock::now();
        r.answerMs = bus.session().lastReadTime;
        r.naks = bus.session().lastNakCount;
        out.push_back(r);
        if (bus.Lost()) return SweepEnd::Lost;
    }
    return SweepEnd::Done;
}

}  // namespace kvcli
