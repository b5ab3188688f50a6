#pragma once
// The frames a sensor sends: the angle reply and the variable reply, with the
// checksum the tools verify.

#include "sim/protocol.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kv275sim {

using Bytes = std::vector<uint8_t>;

// XOR of the bytes, each taken as a signed 8-bit value widened to 32 bits
// (so a byte of 0x80 or above enters as 0xFFFFFFxx), as the tools compute it.
int32_t signedXor(const uint8_t* data, size_t count);

// The six angle characters, "%06.2f" of the angle limited to 0.00..999.99
// (the reply has no room for a sign or a fourth integer digit).
std::string angleText(double degrees);

// STX, six angle characters, ETX, checksum "%02X", CR. Every byte is ASCII
// and none is zero, so the checksum is never negative.
Bytes angleReply(double degrees);

// STX, 256 fields "%6ld" (right-aligned), ETX, checksum "%03X" (the last
// three bytes of the 1541).
// Values outside kMinVariableValue..kMaxVariableValue are limited to that
// range so that each number ends before the next field. With `minusApart` a
// negative number has its sign in the field's first place and its digits
// right-aligned ("-   12"), a layout the tools mend by reading the spaces
// after the sign as zeros.
Bytes variableReply(const VariableTable& variables, bool minusApart = false);

// Rewrites the checksum of an angle or variable reply after its content has
// been changed on purpose (to inject a character fault only).
void refreshChecksum(Bytes& reply);

// What a line carries when several sensors send at once: their frames
// superimposed byte by byte, with framing errors. Never a valid frame.
Bytes collide(const std::vector<Bytes>& replies);

}  // namespace kv275sim
