#pragma once
// The dump of a sensor's 256 variables, for people and for diff(1):
//
//   # kv275 vars dump of sensor 178 (hB2) on COM1 at 2024-05-01T12:34:56.789Z
//   # ...
//   V000=275
//   ...
//   V024=3    # filter type: 1 Bessel, 2 aperiodical, 3 Butterworth, 4 Tschebyscheff
//   ...
//   V255=0
//
// One "Vnnn=value" line per variable, in order; '#' starts a comment, on a
// line of its own or after a value; blank lines count for nothing. A dump
// that is read back must hold every variable exactly once. --json gives the
// same table for machines:
//   {"address":178,"port":"COM1","time":"...","variables":[275,0,...]}

#include "sensorlink/variable_frames.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvcli {

struct DumpOrigin {
    int address = 0;   // the bus address read
    std::string port;  // "COM1"
    std::string time;  // ISO 8601
};

std::string FormatDump(const VariableTable& table, const DumpOrigin& origin);
std::string FormatDumpJson(const VariableTable& table, const DumpOrigin& origin);

// Reads a dump's text. False with `error` ("line 12: ...") when it is not one.
bool ParseDump(std::string_view text, VariableTable& table, std::string& error);
// Reads a dump file. False with `error` ("FILE:12: ...", "FILE: ...").
bool LoadDump(const std::string& path, VariableTable& table, std::string& error);

// "V026: 100 -> 50" for every variable the two tables disagree on, in order.
std::vector<std::string> DiffDumps(const VariableTable& before, const VariableTable& after);

}  // namespace kvcli
