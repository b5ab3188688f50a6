#pragma once
// Reading back the CSV that csv_log.h writes (kv275 read --csv and
// KV275Monitor's recording): its header line, then one row per reading.
// Anything else is refused with the number of the first line that is not of
// that form.

#include "sensorlink/reading.h"

#include <functional>
#include <istream>
#include <optional>
#include <string>

namespace readinglog {

// One row without its line end; nothing (and `why` set) when it is not one.
std::optional<Reading> ParseCsvRow(const std::string& row, std::string& why);

// Calls `take` for every row in order. False with `error` ("line 7: ...")
// at the first line that is not the header, or not a row; rows before it
// have been taken.
bool ReadCsv(std::istream& in, const std::function<void(const Reading&)>& take, std::string& error);

}  // namespace readinglog
