#include "setup/setup_texts.h"

#include "platform/c_numbers.h"

#include <cstdio>

namespace setuptexts {
namespace {

constexpr size_t kReadableCharacters = 254;

}  // namespace

std::string SensorAddress(int32_t address) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld (h%X) #%02ld", static_cast<long>(address), static_cast<unsigned>(address),
                  static_cast<long>(address - kBroadcastAddress));
    return text;
}

std::string CurrentAddress(int32_t index) {
    if (index != 0) return SensorAddress(index + kBroadcastAddress);
    char text[32];
    std::snprintf(text, sizeof text, "%ld (h%X) -all-", static_cast<long>(kBroadcastAddress),
                  static_cast<unsigned>(kBroadcastAddress));
    return text;
}

std::string Cutoff(int32_t hundredthsOfHertz) {
    char text[64];
    std::snprintf(text, sizeof text, "%ld (%g Hz)", static_cast<long>(hundredthsOfHertz), hundredthsOfHertz * 0.01);
    return text;
}

std::string Number(int32_t value) { return std::to_string(value); }

std::optional<int32_t> Typed(const std::string& text) {
    if (text.empty()) return std::nullopt;
    return platform::atolInt32(text.substr(0, kReadableCharacters).c_str());
}

}  // namespace setuptexts
