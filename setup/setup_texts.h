#pragma once
// How the setup dialog shows its values, and how it reads what was typed.

#include "sensorlink/bus_address.h"

#include <cstdint>
#include <optional>
#include <string>

namespace setuptexts {

// "%ld (h%X) #%02ld": 178 shows as "178 (hB2) #01"; 177 as "177 (hB1) #00".
std::string SensorAddress(int32_t address);
// The current-address field: "177 (hB1) -all-" for index 0, else as above.
std::string CurrentAddress(int32_t index);
// "%ld (%g Hz)": 50 shows as "50 (0.5 Hz)", 100 as "100 (1 Hz)".
std::string Cutoff(int32_t hundredthsOfHertz);
std::string Number(int32_t value);

// A typed field: nothing when it is empty, else the number at its start read
// as atol reads it (0 when it does not begin with one), saturated at the
// ends of 32 bits, so that a huge number stays out of every range instead of
// wrapping into one. At most the first 254 characters count.
std::optional<int32_t> Typed(const std::string& text);

}  // namespace setuptexts
