#include "cli/sweep.h"

#include <chrono>

namespace kvcli {

SweepEnd Sweep(Bus& bus, const std::vector<int>& addresses, const Console& console,
               std::vector<readinglog::Reading>& out) {
    for (int address : addresses) {
        if (console.stopRequested()) return SweepEnd::Stopped;
        readinglog::Reading r;
        r.address = address;
        r.angle = bus.Angle(address, kRunAttempts);
        // A query the adapter broke off says nothing of the sensor: it is
        // not counted as a failure, nor its reads as bad replies.
        if (bus.Lost() && !r.angle) return SweepEnd::Lost;
        r.time = std::chrono::system_clock::now();
        r.answerMs = bus.session().lastReadTime;
        r.badReplies = bus.session().lastNakCount;
        out.push_back(r);
        if (bus.Lost()) return SweepEnd::Lost;
    }
    return SweepEnd::Done;
}

}  // namespace kvcli
