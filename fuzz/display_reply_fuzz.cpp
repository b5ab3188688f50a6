// The angle display's reply parser on any bytes a line can carry: it never
// reads past the reply, accepts exactly the replies of 10 bytes or more (up
// to the first zero byte) whose positions 1..6 are digits, commas or points
// and whose positions 8 and 9 are the hexadecimal XOR of bytes 0..7 (signed,
// never negative), and gives then the six characters, their text with the
// degree sign, and the angle the C library's strtod reads up to the first comma.
//
// Input: the reply as read (zero bytes included).

#include "fuzz/fuzz_support.h"
#include "tiltview/angle_poll.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

bool angleCharacter(char c) { return (c >= '0' && c <= '9') || c == ',' || c == '.'; }

// strtod in the "C" locale, read only up to a comma, and without what strtod
// reads beyond a plain decimal (an exponent, hex, "inf"): the six characters
// can hold digits, points and commas only.
double referenceAngle(const std::string& six) {
    std::string upToComma = six.substr(0, six.find(','));
    return std::strtod(upToComma.c_str(), nullptr);
}

bool checksumFits(std::string_view reply) {
    int sum = 0;
    for (size_t i = 0; i < 8; ++i) sum ^= static_cast<signed char>(reply[i]);
    if (!std::isxdigit(static_cast<unsigned char>(reply[8])) || !std::isxdigit(static_cast<unsigned char>(reply[9])))
        return false;
    const std::string digits(reply.substr(8, 2));
    return sum >= 0 && std::strtol(digits.c_str(), nullptr, 16) == sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Copied into a block of exactly its size, so that a read beyond it is caught.
    std::string owned(reinterpret_cast<const char*>(data), size);
    const std::string_view received(owned);
    const tiltpoll::AngleReply reply = tiltpoll::ParseAngleReply(received);

    const size_t length = std::min(received.find('\0'), received.size());
    bool expected = length >= tiltpoll::kMinReplyLength;
    for (size_t i = 1; expected && i <= 6; ++i) expected = angleCharacter(received[i]);
    expected = expected && checksumFits(received);
    FUZZ_CHECK(reply.valid == expected);
    if (!reply.valid) return 0;

    const std::string six(received.substr(1, 6));
    FUZZ_CHECK(std::strlen(reply.characters) == 6 && six == reply.characters);
    FUZZ_CHECK(std::isfinite(reply.angle) && reply.angle >= 0.0 && reply.angle <= 999999.0);
    FUZZ_CHECK(reply.angle == referenceAngle(six));
    FUZZ_CHECK(tiltpoll::AngleText(reply) == six + "\xC2\xB0");
    return 0;
}
