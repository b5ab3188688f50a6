#include "sensorlink/angle_reply.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace anglereply {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isAngleCharacter(char c) { return isDigit(c) || c == ',' || c == '.'; }

// XOR of bytes 0..7, each widened as a signed 8-bit value: a byte with its
// top bit set makes the sum negative unless another one cancels it, and a
// negative sum never matches (see IsBad).
int32_t checksumOf(const char* reply) {
    int32_t sum = 0;
    for (size_t i = 0; i < 8; ++i) sum ^= static_cast<int32_t>(static_cast<int8_t>(reply[i]));
    return sum;
}

// The number that strtol reads in base 16 from byte 8 on. strtol runs as far
// as it finds digits, so it gets a copy of bytes 8..10 that ends after them.
long sentChecksumOf(const char* reply) {
    char text[4] = {reply[8], reply[9], reply[10], 0};
    return std::strtol(text, nullptr, 16);
}

}  // namespace

bool IsBad(const char* reply) {
    if (std::strlen(reply) != kLength) return true;
    // strtol takes a sign, so a checksum text such as "-77" would match a
    // negative sum: a reply spoilt by a byte with its top bit set (a collision
    // on the line sets that bit) would pass. No sensor sends a sign there.
    const int32_t sum = checksumOf(reply);
    bool bad = sum < 0 || sum != sentChecksumOf(reply);
    for (size_t i = 1; i <= 6; ++i)
        if (!isAngleCharacter(reply[i])) bad = true;
    return bad;
}

double Decode(const char* c) {
    // Read like atof in the C locale: digits, a point and more digits; a comma
    // (the sensor's other decimal mark) ends the number. from_chars does not
    // follow the process locale, which a GUI program takes from the user.
    const char* end = c;
    while (end < c + 6 && (isDigit(*end) || *end == '.')) ++end;
    double value = 0.0;
    if (std::from_chars(c, end, value, std::chars_format::fixed).ec != std::errc{}) value = 0.0;
    if (c[3] == ',' && isDigit(c[4])) {
        value += (c[4] - '0') * 0.1;
        if (isDigit(c[5])) value += (c[5] - '0') * 0.01;
    }
    return value;
}

}  // namespace anglereply
