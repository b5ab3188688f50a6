#pragma once
// The statistics table's texts: its column headers and one row per sensor.

#include "monitor/window_statistics.h"

#include <string>
#include <vector>

namespace monitor {

std::vector<std::string> StatisticsHeaders();
// "178 (hB2)", then the figures; "-" where there is none (a sensor that
// never answered in the window has no angle, but its failed queries count).
std::vector<std::string> StatisticsRow(int address, const WindowStatistics& w);

}  // namespace monitor
