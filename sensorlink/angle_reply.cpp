#include "sensorlink/angle_reply.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace anglereply {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isAngleCharacter(char c) { return isDigit(c) || c == ',' || c == '.'; }

// XOR of bytes 0..7, each widened as a signed 8-bit value: a byte with its
// top bit set makes the sum negative unless another one cancels it, and no
// hexadecimal text can match a negative sum.
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
    bool bad = checksumOf(reply) != sentChecksumOf(reply);
    for (size_t i = 1; i <= 6; ++i)
        if (!isAngleCharacter(reply[i])) bad = true;
    return bad;
}

double Decode(const char* c) {
    // atof stops at a comma, which the sensor may send as its decimal mark.
    char text[7];
    std::memcpy(text, c, 6);
    text[6] = 0;
    double value = std::atof(text);
    if (c[3] == ',' && isDigit(c[4])) {
        value += (c[4] - '0') * 0.1;
        if (isDigit(c[5])) value += (c[5] - '0') * 0.01;
    }
    return value;
}

}  // namespace anglereply
