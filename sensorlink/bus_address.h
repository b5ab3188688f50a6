#pragma once
// Bus addresses and the address index the sessions take: index 0 is 177, the
// address every sensor answers at once; 1 to 78 are the single sensors 178
// to 255.

#include <cstdint>
#include <optional>
#include <string_view>

inline constexpr int kBroadcastAddress = 177;
inline constexpr int kLastAddressIndex = 78;
inline constexpr int kLastAddress = kBroadcastAddress + kLastAddressIndex;  // 255

// The byte that asks the sensor at `index`.
constexpr char AddressByte(int index) { return static_cast<char>(static_cast<uint8_t>(kBroadcastAddress + index)); }

// The number of a bus address as a user types it: decimal ("178"), or
// hexadecimal as "0xB2" or "hB2". Nothing when the text is none of those (up
// to eight digits); the number's range is the caller's to check.
std::optional<long> TypedAddressNumber(std::string_view text);
