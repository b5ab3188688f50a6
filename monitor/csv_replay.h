#pragma once
// Reading back a CSV that kv275 read --csv (or the monitor's recording)
// wrote: kv275's header line, then one row per reading. Anything else is
// refused with the number of the first line that is not of that form.

#include "cli/reading.h"

#include <functional>
#include <istream>
#include <optional>
#include <string>

namespace monitor {

// "2024-05-01T12:34:56.789Z" exactly as kv275 writes it; nothing otherwise.
std::optional<kvcli::WallTime> ParseIsoTimestamp(const std::string& text);

// One row without its line end; nothing (and `why` set) when it is not one.
std::optional<kvcli::Reading> ParseCsvRow(const std::string& row, std::string& why);

// Calls `take` for every row in order. False with `error` ("line 7: ...")
// at the first line that is not the header, or not a row; rows before it
// have been taken.
bool ReadCsv(std::istream& in, const std::function<void(const kvcli::Reading&)>& take, std::string& error);

}  // namespace monitor
