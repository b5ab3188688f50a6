#pragma once
// Wall-clock times as kv275 writes them.

#include <chrono>
#include <string>

namespace kvcli {

using WallTime = std::chrono::system_clock::time_point;

// ISO 8601 in UTC with milliseconds: "2024-05-01T12:34:56.789Z".
std::string IsoTimestamp(WallTime time);

}  // namespace kvcli
