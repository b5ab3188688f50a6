#pragma once
// What one sensor's line shows of a time span at a given width: per pixel
// column its smallest and largest angle in the order they came, so a spike
// of a single reading stays visible at any zoom, and NaN where the line must
// break (a column in which the sensor never answered, or the start of a new
// polling run): a gap, never a made-up value.

#include "monitor/sensor_history.h"

#include <optional>
#include <vector>

namespace monitor {

struct Envelope {
    std::vector<double> times;   // seconds since 1970, in order
    std::vector<double> angles;  // NaN: the line breaks here
};

// `columns` pixel columns across [from, to]; a reading just outside each edge
// is included so that the line runs to the edge. `zero` is subtracted from
// every angle (the relative view).
Envelope EnvelopeOf(const SensorHistory& history, double from, double to, int columns, double zero = 0.0);

}  // namespace monitor
