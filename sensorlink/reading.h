#pragma once
// One answer (or its absence) of one sensor, as read and times record it.

#include "sensorlink/timestamp.h"

#include <cstdint>
#include <optional>

namespace readinglog {

struct Reading {
    WallTime time;                // when the query ended
    int address = 0;              // the bus address asked
    std::optional<double> angle;  // nothing: no valid answer after the retries
    int32_t answerMs = 0;         // ms spent in reads, over the query's attempts
    // Replies that were short, garbled or missing. Each is answered with NAK
    // and read again, but for the last read of a failed query: so a query
    // that failed sends one NAK fewer than it counts here.
    int32_t badReplies = 0;
};

}  // namespace readinglog
