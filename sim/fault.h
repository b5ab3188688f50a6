#pragma once
// Faults the simulator can inject into replies.

#include <optional>
#include <string>
#include <string_view>

namespace kv275sim {

enum class FaultKind {
    Silence,      // the sensor does not answer
    BadChecksum,  // the checksum text is wrong
    BadChars,     // an angle character (or a variable field) holds a character the tool rejects; checksum fits
    ShortReply,   // the reply stops early
    Noise,        // a few bits flipped on the line
};

struct FaultRule {
    FaultKind kind = FaultKind::Silence;
    double probability = 0.0;  // 0..1, rolled for each reply
    int address = 0;           // 0: every sensor; else only the sensor at this bus address
};

std::string_view faultName(FaultKind kind);
std::optional<FaultKind> faultFromName(std::string_view name);

}  // namespace kv275sim
