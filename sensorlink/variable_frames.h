#pragma once
// The frames of the sensor variable transfer, without a port.
//
// Write request, eight items each sent by a CCom::Write of its own:
//   address byte (177 + index), DC2, STX, "%03d" number + CR,
//   "%05ld" value + CR (minus sign first; a longer value in full), ETB,
//   checksum "%02X" (XOR of STX through ETB), "$".
// The sensor acknowledges with ACK.
//
// Read request: address byte, DC1. Read reply, 1541 bytes, none of them zero:
//   offset 0             leading byte (in the checksum)
//   offset 1 + 6k        variable Vk as six characters of decimal text
//   offset 1537          closing byte (in the checksum)
//   offset 1538..1540    checksum as hexadecimal text, digits of either case

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// The 256 variables V000 to V255 of one sensor; entry k holds Vk.
using VariableTable = std::array<int32_t, 256>;

namespace variableframes {

constexpr char DC1 = 0x11;  // read all variables
constexpr char DC2 = 0x12;  // write one variable
constexpr char STX = 0x02;
constexpr char ETB = 0x17;
constexpr char ACK = 0x06;
constexpr char CR = 0x0D;
constexpr char FrameEnd = '$';

constexpr size_t kReplyLength = 1541;
// What a read of one reply needs: the frame plus the two zero bytes that
// every received text carries.
constexpr size_t kBufferSize = kReplyLength + 2;
constexpr size_t kFieldWidth = 6;
constexpr size_t kFirstField = 1;
constexpr size_t kChecksumOffset = 1538;  // the checksum covers the bytes before it

// The address byte for an address index, as a one-character text:
// 177 + index, so 0 reaches every sensor and 1 to 78 are 178 to 255.
std::string AddressItem(uint16_t index);

// The two items of the read request.
std::array<std::string, 2> ReadRequest(uint16_t index);

// The eight items of the write request. None holds a zero byte for an index
// of 0 to 78.
std::array<std::string, 8> WriteRequest(uint16_t index, int32_t number, int32_t value);

// True when `reply` (a zero-terminated text, as the port delivers it) is a
// read reply: exactly 1541 characters, and the XOR of offsets 0 to 1537, each
// byte widened as a signed 8-bit value, equals the hexadecimal number at 1538.
bool IsGoodReply(const char* reply);

// The value of one six-character field, read like atol (white space, an
// optional sign, digits) but never beyond the field; spaces right after a
// minus sign count as zeros ("-   7" is -7). No digits give 0.
int32_t FieldValue(const char* field);

// Fills all 256 entries from a reply that IsGoodReply accepted.
void DecodeReply(const char* reply, VariableTable& table);

}  // namespace variableframes
