#pragma once
// The angle reply frame of a KV275 sensor: 11 bytes, none of them zero.
//   byte 0       not examined (in the checksum)
//   bytes 1..6   the angle as six characters, each a digit, a comma or a point
//   byte 7       not examined (in the checksum)
//   bytes 8..10  the checksum as hexadecimal text

#include <cstddef>

namespace anglereply {

constexpr size_t kLength = 11;
// What a read of one reply needs: the frame plus the two zero bytes that
// every received text carries.
constexpr size_t kBufferSize = kLength + 2;

// True when `reply` (a zero-terminated text of at most kLength characters, as
// the port delivers it) is not a valid angle reply: its length is not 11, its
// checksum does not match (a sum made negative by a byte with its top bit set
// never matches, whatever the checksum text says), or one of its six angle
// characters is not a digit, comma or point.
bool IsBad(const char* reply);

// The angle that the six characters c1..c6 stand for. "123,45" and "123.45"
// give 123.45; a comma elsewhere than in the fourth place cuts the value
// there ("12,345" gives 12).
double Decode(const char* sixCharacters);

}  // namespace anglereply
