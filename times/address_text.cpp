#include "times/address_text.h"

#include "platform/c_numbers.h"

#include <cstdio>

namespace addresstext {

std::string Format(int32_t index, int32_t format) {
    if (index < 0 || index > kLastAddressIndex) return {};
    char text[16];
    const long address = static_cast<long>(index) + kBroadcastAddress;
    switch (format) {
    case 1: std::snprintf(text, sizeof text, "%03ld", address); break;
    case 2: std::snprintf(text, sizeof text, "%02lX", static_cast<unsigned long>(address)); break;
    default: std::snprintf(text, sizeof text, "%ld", static_cast<long>(index)); break;
    }
    return text;
}

std::optional<int32_t> Parse(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const char first = text[0];
    int32_t n = 0;
    if (first >= '0' && first <= '9') {
        n = platform::atolInt32(text.c_str());
    } else if ((first >= 'B' && first <= 'F') || (first >= 'b' && first <= 'f')) {
        n = platform::strtolHexInt32(text.c_str());
    } else {
        return std::nullopt;
    }
    if (n >= kBroadcastAddress) n -= kBroadcastAddress;
    if (n > kLastAddressIndex) n = kLastAddressIndex;
    if (n < 0) return std::nullopt;
    return n;
}

}  // namespace addresstext
