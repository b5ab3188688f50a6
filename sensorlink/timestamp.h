#pragma once
// Wall-clock times as kv275 and KV275Monitor write them.

#include <chrono>
#include <optional>
#include <string>

namespace readinglog {

using WallTime = std::chrono::system_clock::time_point;

// ISO 8601 in UTC with milliseconds: "2024-05-01T12:34:56.789Z".
std::string IsoTimestamp(WallTime time);

// "2024-05-01T12:34:56.789Z" exactly as IsoTimestamp writes it; nothing otherwise.
std::optional<WallTime> ParseIsoTimestamp(const std::string& text);

}  // namespace readinglog
