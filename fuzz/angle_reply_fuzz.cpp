// The angle reply: any received text is judged as the rules say (eleven
// characters, six angle characters, a checksum that matches the XOR of the
// first eight bytes as a non-negative number), and a reply that passes
// decodes to a finite angle in what six characters hold; one in the sensor's
// own form ("ddd.dd" or "ddd,dd") decodes to exactly that, 0 to 999.99. The
// simulator's replies pass and decode to the angle they were made from.
//
// Input: a mode byte, then
//   0: the received text (up to 15 bytes, cut at a zero byte);
//   1: eight bytes and a checksum style; the checksum is made to match;
//   2: an angle as a double (8 bytes), sent through the simulator's frame.

#include "fuzz/fuzz_support.h"
#include "sensorlink/angle_reply.h"
#include "sim/frames.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAngleCharacter(char c) { return isDigit(c) || c == ',' || c == '.'; }

int32_t coveredSum(const char* reply) {
    int32_t sum = 0;
    for (int i = 0; i < 8; ++i) sum ^= static_cast<int32_t>(static_cast<int8_t>(reply[i]));
    return sum;
}

// A reply is good when it has eleven characters, its six angle characters are
// digits, commas or points, and the checksum text (bytes 8 to 10, read as
// strtol reads hexadecimal) equals the sum, which for that must not be
// negative: a byte with its top bit set that nothing cancels spoils the reply.
bool referenceGood(const char* reply) {
    if (std::strlen(reply) != anglereply::kLength) return false;
    for (int i = 1; i <= 6; ++i)
        if (!isAngleCharacter(reply[i])) return false;
    const int32_t sum = coveredSum(reply);
    const char text[4] = {reply[8], reply[9], reply[10], 0};
    return sum >= 0 && std::strtol(text, nullptr, 16) == sum;
}

// The angle six characters stand for: the digits and points read as strtod
// reads them, up to the first other character; a comma in the fourth place
// followed by digits adds tenths and hundredths.
double referenceAngle(const char* c) {
    char number[7] = {};
    for (int i = 0; i < 6 && (isDigit(c[i]) || c[i] == '.'); ++i) number[i] = c[i];
    double value = std::strtod(number, nullptr);
    if (c[3] == ',' && isDigit(c[4])) {
        value += (c[4] - '0') * 0.1;
        if (isDigit(c[5])) value += (c[5] - '0') * 0.01;
    }
    return value;
}

bool sensorForm(const char* c) {
    return isDigit(c[0]) && isDigit(c[1]) && isDigit(c[2]) && (c[3] == '.' || c[3] == ',') && isDigit(c[4]) &&
           isDigit(c[5]);
}

void checkReply(const char* reply) {
    const bool bad = anglereply::IsBad(reply);
    FUZZ_CHECK(bad == !referenceGood(reply));
    if (bad) return;
    const double angle = anglereply::Decode(reply + 1);
    FUZZ_CHECK(std::isfinite(angle));
    // Six characters hold at most "999999".
    FUZZ_CHECK(angle >= 0.0 && angle <= 999999.0);
    FUZZ_CHECK(std::fabs(angle - referenceAngle(reply + 1)) <= 1e-9 * std::max(1.0, angle));
    if (sensorForm(reply + 1)) {
        const double meant = (reply[1] - '0') * 100 + (reply[2] - '0') * 10 + (reply[3] - '0') +
                             (reply[5] - '0') * 0.1 + (reply[6] - '0') * 0.01;
        FUZZ_CHECK(angle >= 0.0 && angle <= 999.99 + 1e-9);
        FUZZ_CHECK(std::fabs(angle - meant) < 1e-9);
    }
}

// The text in a block of exactly its length and the zero, so that reading
// past the terminator stops the run.
void checkText(const std::string& text) {
    std::unique_ptr<char[]> reply(new char[text.size() + 1]);
    std::memcpy(reply.get(), text.data(), text.size());
    reply[text.size()] = '\0';
    checkReply(reply.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const uint8_t mode = in.byte() % 3;
    if (mode == 0) {
        std::string text = in.rest();
        text = text.substr(0, std::min<size_t>(strnlen(text.data(), text.size()), 15));
        checkText(text);
    } else if (mode == 1) {
        std::string reply;
        for (int i = 0; i < 8; ++i) {
            const uint8_t b = in.byte();
            reply.push_back(static_cast<char>(b == 0 ? 1 : b));
        }
        const uint8_t style = in.byte();
        const int32_t sum = coveredSum(reply.data());
        char checksum[32];
        // The sensor's "%02X" and a CR, three digits, lower case, or the
        // signed sum as strtol would read it back.
        switch (style % 4) {
        case 0: std::snprintf(checksum, sizeof checksum, "%02X\r", static_cast<unsigned>(sum & 0xFF)); break;
        case 1: std::snprintf(checksum, sizeof checksum, "%03X", static_cast<unsigned>(sum & 0xFFF)); break;
        case 2: std::snprintf(checksum, sizeof checksum, "%02x\r", static_cast<unsigned>(sum & 0xFF)); break;
        default:
            std::snprintf(checksum, sizeof checksum, "%s%02X", sum < 0 ? "-" : "+",
                          static_cast<unsigned>(sum < 0 ? -sum : sum) & 0xFF);
            break;
        }
        reply.append(checksum, 3);
        checkText(reply);
    } else {
        uint64_t bits = in.u32();
        bits |= static_cast<uint64_t>(in.u32()) << 32;
        double degrees;
        std::memcpy(&degrees, &bits, sizeof degrees);
        const kv275sim::Bytes frame = kv275sim::angleReply(degrees);
        const std::string text(frame.begin(), frame.end());
        FUZZ_CHECK(text.size() == anglereply::kLength);
        FUZZ_CHECK(!anglereply::IsBad(text.c_str()));
        checkText(text);
        double hundredths = std::isfinite(degrees) ? std::round(degrees * 100.0) : 0.0;
        hundredths = std::min(std::max(hundredths, 0.0), 99999.0);
        FUZZ_CHECK(std::fabs(anglereply::Decode(text.c_str() + 1) - hundredths / 100.0) < 1e-9);
    }
    return 0;
}
