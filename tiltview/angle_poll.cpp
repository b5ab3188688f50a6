#include "tiltview/angle_poll.h"

#include "platform/c_numbers.h"
#include "platform/tick_counter.h"
#include "tiltview/port_link.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace tiltpoll {

namespace {

constexpr char ENQ = 0x05;

bool isAngleCharacter(char c) { return (c >= '0' && c <= '9') || c == ',' || c == '.'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexDigit(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Bytes 8 and 9 are the XOR of bytes 0..7, each widened as a signed 8-bit
// value, in hexadecimal.
bool checksumFits(std::string_view reply) {
    int32_t sum = 0;
    for (size_t i = 0; i < 8; ++i) sum ^= static_cast<int32_t>(static_cast<int8_t>(reply[i]));
    const int high = hexDigit(reply[8]);
    const int low = hexDigit(reply[9]);
    return sum >= 0 && high >= 0 && low >= 0 && sum == high * 16 + low;
}

// The six characters read as atof reads them in the "C" locale: leading
// digits with an optional fraction after a point; a comma ends the number.
double AngleOfCharacters(std::string_view characters) {
    // The part atof would take: digits, then a point and digits. from_chars
    // reads it exactly as strtod does in the "C" locale, whatever the
    // program's locale.
    size_t end = 0;
    while (end < characters.size() && isDigit(characters[end])) ++end;
    if (end < characters.size() && characters[end] == '.') {
        ++end;
        while (end < characters.size() && isDigit(characters[end])) ++end;
    }
    double value = 0.0;
    const std::from_chars_result r =
        std::from_chars(characters.data(), characters.data() + end, value, std::chars_format::fixed);
    return r.ec == std::errc() ? value : 0.0;  // "." alone, or nothing, is no number: 0 as atof gives
}

}  // namespace

AngleReply ParseAngleReply(std::string_view received) {
    AngleReply reply;
    const size_t length = std::min(received.size(), received.find('\0'));
    if (length < kMinReplyLength) return reply;
    const std::string_view six = received.substr(1, 6);
    if (!std::all_of(six.begin(), six.end(), isAngleCharacter)) return reply;
    if (!checksumFits(received)) return reply;
    std::memcpy(reply.characters, six.data(), six.size());
    reply.angle = AngleOfCharacters(six);
    reply.valid = true;
    return reply;
}

std::string AngleText(const AngleReply& reply) { return std::string(reply.characters) + "°"; }

int8_t AddressIndexOfText(const char* text) {
    // Wide enough that a number at the 32-bit limit less 177 cannot overflow.
    const int64_t index = int64_t{platform::atolInt32(text)} - kBroadcastAddress;
    return static_cast<int8_t>(std::clamp<int64_t>(index, 0, kLastIndex));
}

}  // namespace tiltpoll

PollResult PollAngle(CPortLink& port, int8_t addressIndex, double currentAngle) {
    PollResult result;
    result.angle = currentAngle;
    // A closed link (after Stop, or a failed reopening under a running timer)
    // has no one to ask: nothing to send and nothing worth waiting for.
    if (!port.IsOpen()) return result;

    const int index = std::clamp<int>(addressIndex, 0, tiltpoll::kLastIndex);
    const char address[2] = {static_cast<char>(static_cast<unsigned char>(tiltpoll::kBroadcastAddress + index)), 0};
    const char enq[2] = {tiltpoll::ENQ, 0};
    const uint32_t addressStatus = port.Write(address);
    const uint32_t enqStatus = port.Write(enq);
    platform::waitTicks(tiltpoll::kAnswerWaitMs);

    char reply[tiltpoll::kReplyBytes + 2] = {};  // the read ends what came with two zero bytes
    const uint32_t readStatus = port.Read(reply, tiltpoll::kReplyBytes);
    result.deviceGone = addressStatus == EIO || enqStatus == EIO || readStatus == EIO;

    const tiltpoll::AngleReply parsed = tiltpoll::ParseAngleReply(std::string_view(reply, tiltpoll::kReplyBytes));
    if (!parsed.valid) return result;
    result.valid = true;
    result.angle = parsed.angle;
    result.text = tiltpoll::AngleText(parsed);
    return result;
}
