#pragma once
// One poll of the sensor's angle: the address byte and ENQ, a 15 ms wait, one
// read of up to 16 bytes. A single attempt without purge, drain or NAK: a
// bad, garbled or missing reply keeps the previous angle. The reply parser
// and the address parser are pure, so their rules can be checked alone.

#include <cstdint>
#include <string>
#include <string_view>

class CPortLink;

namespace tiltpoll {

constexpr int kBroadcastAddress = 177;  // address index 0; 1..78 are the sensors 178..255
constexpr int kLastIndex = 78;
constexpr uint32_t kAnswerWaitMs = 15;
constexpr uint32_t kReplyBytes = 16;
// The angle frame up to its two checksum characters (bytes 8 and 9).
constexpr size_t kMinReplyLength = 10;

struct AngleReply {
    bool valid = false;
    char characters[7] = {};  // positions 1..6 of the reply, zero-terminated
    double angle = 0.0;
};

// The reply as read: its length runs to the first zero byte; it needs a
// digit, comma or point at each of positions 1..6, and at positions 8 and 9
// the XOR of bytes 0..7 as two hexadecimal digits (a sum made negative by a
// byte with its top bit set never matches, as in the other tools). A noisy
// line flips bits in the angle characters too ("523.45" for 123.45); only
// the checksum tells such a reply from the sensor's own.
AngleReply ParseAngleReply(std::string_view received);

// "%s°" of the six characters, in UTF-8.
std::string AngleText(const AngleReply& reply);

// The address index a typed address text stands for: the number at its start
// (white space skipped, an optional sign, digits; too many digits stop at the
// 32-bit limit) less 177, held to 0..78. No number gives 0.
int8_t AddressIndexOfText(const char* text);

}  // namespace tiltpoll

struct PollResult {
    double angle = 0.0;       // the reply's angle, or the fallback
    bool valid = false;       // a valid reply came: `text` is new
    std::string text;         // "%s°" of the reply's six characters
    bool deviceGone = false;  // a write or the read found the device gone (EIO)
};

// One exchange with the sensor at 177 + addressIndex. On a closed link it
// returns the fallback at once, sending nothing and waiting for nothing.
PollResult PollAngle(CPortLink& port, int8_t addressIndex, double currentAngle);
