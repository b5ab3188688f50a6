#pragma once
// Rolls the configured faults for one reply and applies those that hit.

#include "sim/fault.h"
#include "sim/frames.h"

#include <random>
#include <string>
#include <vector>

namespace kv275sim {

class FaultInjector {
public:
    // A seed of 0 takes one from the system.
    FaultInjector(std::vector<FaultRule> rules, uint32_t seed);

    // Returns the reply as it goes on the line (empty for silence) and names
    // the faults applied in `note` (empty when none hit).
    Bytes apply(Bytes reply, int sensorAddress, std::string& note);

    // The probability that applies to a sensor: its own rule, else the one
    // for every sensor, else 0.
    double probability(FaultKind kind, int sensorAddress) const;

    void setRules(std::vector<FaultRule> rules) { rules_ = std::move(rules); }

private:
    bool hits(FaultKind kind, int sensorAddress);
    size_t randomIndex(size_t lo, size_t hi);  // lo..hi inclusive

    std::vector<FaultRule> rules_;
    std::mt19937 random_;
};

}  // namespace kv275sim
