#pragma once
// How the timing grid shows and reads bus addresses. An address index 0 to 78
// stands for the bus address 177 + index (0 is 177, all sensors).

#include "sensorlink/bus_address.h"

#include <cstdint>
#include <optional>
#include <string>

namespace addresstext {

// The address field's text for an index in the chosen format: 0 "%ld" of the
// index, 1 "%03ld" of the bus address, 2 "%02lX" of the bus address. Any
// other format shows as format 0. An index outside 0 to 78 (a hand-edited
// file) shows as an empty field: it names no sensor.
std::string Format(int32_t index, int32_t format);

// What a typed address field stands for, or nothing when it is invalid.
// A leading digit reads decimal, a leading B to F (either case) hexadecimal,
// each as far as it goes ("1a" is 1); 177 and above count as bus addresses,
// anything above 78 then as 78, and a negative number, an empty text or any
// other first character is invalid. Numbers too long for 32 bits saturate.
std::optional<int32_t> Parse(const std::string& text);

}  // namespace addresstext
