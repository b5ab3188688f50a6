#pragma once
// One answer (or its absence) of one sensor, as read and times record it.

#include "cli/timestamp.h"

#include <cstdint>
#include <optional>

namespace kvcli {

struct Reading {
    WallTime time;                // when the query ended
    int address = 0;              // the bus address asked
    std::optional<double> angle;  // nothing: no valid answer after the retries
    int32_t answerMs = 0;         // ms spent in reads, over the query's attempts
    int32_t naks = 0;             // bad replies answered with NAK
};

}  // namespace kvcli
