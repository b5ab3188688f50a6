#include "sim/fault.h"

#include <array>
#include <utility>

namespace kv275sim {
namespace {

constexpr std::array<std::pair<FaultKind, std::string_view>, 5> kNames{{
    {FaultKind::Silence, "silence"},
    {FaultKind::BadChecksum, "checksum"},
    {FaultKind::BadChars, "chars"},
    {FaultKind::ShortReply, "short"},
    {FaultKind::Noise, "noise"},
}};

}  // namespace

std::string_view faultName(FaultKind kind) {
    for (const auto& [k, name] : kNames) {
        if (k == kind) return name;
    }
    return "?";
}

std::optional<FaultKind> faultFromName(std::string_view name) {
    for (const auto& [k, n] : kNames) {
        if (n == name) return k;
    }
    return std::nullopt;
}

}  // namespace kv275sim
