#pragma once
// The checks the tools make on a sensor's replies, written out independently
// of the simulator's own frame code so that the two can disagree.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

// Empty when `reply` passes the angle query's tests (length 11 up to the
// first zero byte, signed XOR of bytes 0..7 equal to strtol(base 16) from
// byte 8, bytes 1..6 digits, commas or points); else what failed.
std::string angleReplyProblem(const std::vector<uint8_t>& reply);

// The angle bytes 1..6 decode to (atof, plus the comma rule).
double decodeAngle(const std::vector<uint8_t>& reply);

// Empty when `reply` passes the variable read's tests (1541 bytes up to the
// first zero, checksum at 1538); else what failed. On success fills `table`
// by mending minus signs and reading each field like atol.
std::string variableReplyProblem(const std::vector<uint8_t>& reply, std::array<int32_t, 256>& table);

// A write frame exactly as the setup tool sends it.
std::vector<uint8_t> writeFrame(uint8_t address, int variable, long value);

}  // namespace simtest
