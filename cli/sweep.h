#pragma once
// One sweep of a run: every address asked once, in order.

#include "cli/bus.h"
#include "cli/console.h"
#include "sensorlink/reading.h"

#include <vector>

namespace kvcli {

// Three reads a query, as the scanner and the timing tool read.
constexpr int kRunAttempts = 3;

enum class SweepEnd { Done, Lost, Stopped };

// Asks each address for its angle and adds a reading per answer or failure
// to `out`. Ends early when the adapter goes away (a query it broke off adds
// no reading; one that was answered all the same does) or Ctrl+C was
// pressed (before the next query).
SweepEnd Sweep(Bus& bus, const std::vector<int>& addresses, const Console& console,
               std::vector<readinglog::Reading>& out);

}  // namespace kvcli
