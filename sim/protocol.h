#pragma once
// Bytes and frame sizes of the sensor bus, as a sensor sees them.

#include <array>
#include <cstddef>
#include <cstdint>

namespace kv275sim {

constexpr uint8_t STX = 0x02;
constexpr uint8_t ETX = 0x03;
constexpr uint8_t ENQ = 0x05;
constexpr uint8_t ACK = 0x06;
constexpr uint8_t CR = 0x0D;
constexpr uint8_t DC1 = 0x11;  // read all variables
constexpr uint8_t DC2 = 0x12;  // write one variable
constexpr uint8_t NAK = 0x15;
constexpr uint8_t ETB = 0x17;
constexpr uint8_t FRAME_END = '$';

constexpr uint8_t kBroadcastAddress = 177;  // 0xB1: every sensor
constexpr uint8_t kFirstSensorAddress = 178;
constexpr uint8_t kLastSensorAddress = 255;

constexpr size_t kAngleReplyLength = 11;
constexpr size_t kVariableCount = 256;
constexpr size_t kVariableFieldWidth = 6;
constexpr size_t kVariableReplyLength = 1541;

// A variable travels as five characters in a write frame and must end before
// the next six-character field of the read reply starts, so only numbers of at
// most five characters fit both ways.
constexpr int32_t kMinVariableValue = -9999;
constexpr int32_t kMaxVariableValue = 99999;

// Variables with a meaning of their own.
constexpr int kVarFilterType = 24;
constexpr int kVarFilterOrder = 25;
constexpr int kVarCutOff = 26;
constexpr int kVarAddress = 63;
constexpr int kVarSerialDelay = 64;

using VariableTable = std::array<int32_t, kVariableCount>;

inline bool isAddressByte(uint8_t b) { return b >= kBroadcastAddress; }
inline bool isSensorAddress(int a) { return a >= kFirstSensorAddress && a <= kLastSensorAddress; }

}  // namespace kv275sim
