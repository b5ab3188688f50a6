#pragma once
// Whole numbers read the way the C library's atol and strtol read them, but
// into 32 bits without ever overflowing and whatever the locale. Settings files
// and typed fields may hold anything; a number too large for 32 bits stops at
// INT32_MIN or INT32_MAX (atol itself would overflow, which is undefined, and
// strtol would give a 64-bit long that a cast to 32 bits wraps).

#include <cstdint>

namespace platform {

namespace cnumbers_detail {

// isspace in the "C" locale; the program's locale must not change what counts.
constexpr bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of a digit in the base, or -1 when the character is none.
constexpr int digitValue(char c, int base) {
    int value = -1;
    if (c >= '0' && c <= '9') value = c - '0';
    else if (c >= 'a' && c <= 'z') value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'Z') value = c - 'A' + 10;
    return value < base ? value : -1;
}

constexpr int32_t parseSaturated(const char* p, int base) {
    if (!p) return 0;
    while (isCSpace(*p)) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    // "0x" is a prefix only when a hex digit follows; otherwise the "0" is
    // the number and the "x" ends it, as strtol reads it.
    if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && digitValue(p[2], 16) >= 0) p += 2;
    const int64_t limit = negative ? int64_t{2147483648} : int64_t{2147483647};
    int64_t magnitude = 0;
    for (int digit = digitValue(*p, base); digit >= 0; digit = digitValue(*++p, base)) {
        magnitude = magnitude * base + digit;
        if (magnitude > limit) magnitude = limit;  // keeps the product far from int64's end
    }
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace cnumbers_detail

// The value of a hexadecimal digit of either case, or -1 when the character
// is none.
constexpr int hexDigitValue(char c) { return cnumbers_detail::digitValue(c, 16); }

// atol: white space, a sign, decimal digits up to the first other character;
// no digits give 0.
constexpr int32_t atolInt32(const char* text) { return cnumbers_detail::parseSaturated(text, 10); }

// strtol(text, nullptr, 16): white space, a sign, an optional "0x" or "0X",
// hex digits of either case; no digits give 0.
constexpr int32_t strtolHexInt32(const char* text) { return cnumbers_detail::parseSaturated(text, 16); }

}  // namespace platform
