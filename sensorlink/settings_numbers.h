#pragma once
// The number conversions of the settings text. Values in a hand-edited file
// may be anything; none of these may fail, overflow or depend on the locale
// (the Qt application sets the user's locale, where "12.5" may not parse).

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

// A byte is stored as the 16-bit widening of the byte taken as signed 8-bit,
// so 200 is written as 65480.
inline uint16_t widenByteAsSigned(uint8_t value) {
    return static_cast<uint16_t>(static_cast<int16_t>(static_cast<int8_t>(value)));
}

// atoi of the text, keeping the low 8 bits: "65480" and "200" both give 200,
// "-1" gives 255, letters give 0. strtol saturates instead of overflowing.
inline uint8_t lowByteOfInteger(const char* text) {
    return static_cast<uint8_t>(std::strtol(text, nullptr, 10));
}

// A double truncated toward zero, keeping the low 32 bits of the integer; NaN
// and infinities give 0. (A plain cast of a value outside uint32 is undefined.)
inline uint32_t low32OfTruncated(double value) {
    if (!std::isfinite(value)) return 0;
    constexpr double kTwoTo32 = 4294967296.0;
    double wrapped = std::fmod(std::trunc(value), kTwoTo32);  // exact, integral, |wrapped| < 2^32
    if (wrapped < 0) wrapped += kTwoTo32;
    return static_cast<uint32_t>(wrapped);
}

// atof of the text, read as a decimal number whatever the locale: leading
// blanks, a sign, digits, a fraction and an exponent; anything else ends it,
// and a text without a number gives 0. Then truncated as above.
inline uint32_t low32OfDecimal(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!((*p >= '0' && *p <= '9') || *p == '.')) return 0;
    const char* end = p;
    while (*end) ++end;
    double value = 0;
    const auto result = std::from_chars(p, end, value, std::chars_format::general);
    // Out of range: a huge value (wraps to a meaningless number, take 0 as for
    // infinity) or a tiny one (0 anyway).
    if (result.ec != std::errc()) return 0;
    return low32OfTruncated(negative ? -value : value);
}
