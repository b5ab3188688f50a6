#include "sim/frames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace kv275sim {
namespace {

// Both replies end in three bytes that carry the checksum text; the checksum
// covers everything before them.
constexpr size_t kChecksumTail = 3;

void writeChecksum(Bytes& reply) {
    if (reply.size() < kChecksumTail + 1) return;
    const size_t covered = reply.size() - kChecksumTail;
    const int32_t sum = signedXor(reply.data(), covered);
    char text[16];
    if (reply.size() == kAngleReplyLength) {
        std::snprintf(text, sizeof text, "%02X\r", static_cast<unsigned>(sum & 0xFF));
    } else {
        std::snprintf(text, sizeof text, "%03X", static_cast<unsigned>(sum & 0xFFF));
    }
    std::copy_n(text, kChecksumTail, reply.begin() + static_cast<std::ptrdiff_t>(covered));
}

}  // namespace

int32_t signedXor(const uint8_t* data, size_t count) {
    int32_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum ^= static_cast<int32_t>(static_cast<int8_t>(data[i]));
    return sum;
}

std::string angleText(double degrees) {
    // Rounded to hundredths first, so 999.996 does not become "1000.00".
    double hundredths = std::isfinite(degrees) ? std::round(degrees * 100.0) : 0.0;
    hundredths = std::clamp(hundredths, 0.0, 99999.0);
    const long h = static_cast<long>(hundredths);
    char text[32];
    std::snprintf(text, sizeof text, "%03ld.%02ld", h / 100, h % 100);
    return text;
}

Bytes angleReply(double degrees) {
    Bytes reply(kAngleReplyLength, 0);
    reply[0] = STX;
    const std::string text = angleText(degrees);
    std::copy_n(text.begin(), 6, reply.begin() + 1);
    reply[7] = ETX;
    writeChecksum(reply);
    return reply;
}

Bytes variableReply(const VariableTable& variables, bool minusApart) {
    Bytes reply;
    reply.reserve(kVariableReplyLength);
    reply.push_back(STX);
    for (int32_t v : variables) {
        const long value = std::clamp(v, kMinVariableValue, kMaxVariableValue);
        char field[32];
        // The limits leave at most four digits beside a minus sign, so the
        // sign apart still fits the field with a space after it.
        if (minusApart && value < 0) {
            std::snprintf(field, sizeof field, "-%5ld", -value);
        } else {
            std::snprintf(field, sizeof field, "%6ld", value);
        }
        reply.insert(reply.end(), field, field + kVariableFieldWidth);
    }
    reply.push_back(ETX);
    reply.resize(kVariableReplyLength, 0);
    writeChecksum(reply);
    return reply;
}

void refreshChecksum(Bytes& reply) { writeChecksum(reply); }

Bytes collide(const std::vector<Bytes>& replies) {
    size_t length = 0;
    for (const Bytes& r : replies) length = std::max(length, r.size());
    // A line where nobody drives a bit idles at 1, and any sender pulling it
    // to 0 wins, so overlapping frames come out as the AND of their bytes.
    // The senders are never bit-aligned, so the receiver also sees framing
    // errors: the top bit of every byte is set. That makes the angle
    // characters invalid and never leaves a zero byte.
    Bytes out(length, 0xFF);
    for (const Bytes& r : replies) {
        for (size_t i = 0; i < r.size(); ++i) out[i] &= r[i];
    }
    for (uint8_t& b : out) b |= 0x80;
    // The checksum text now holds no hexadecimal digit and reads as 0; make
    // sure the covered bytes do not happen to XOR to 0 as well.
    if (out.size() > kChecksumTail && signedXor(out.data(), out.size() - kChecksumTail) == 0) out[0] ^= 0x01;
    return out;
}

}  // namespace kv275sim
