#pragma once
// A complete request as a sensor recognises it on the bus.

#include <cstdint>
#include <string>

namespace kv275sim {

struct Request {
    enum class Kind { AngleQuery, ReadVariables, WriteVariable, Nak };

    Kind kind = Kind::AngleQuery;
    uint8_t address = 0;  // not used for Nak
    // WriteVariable only:
    int variable = 0;  // as sent, 000..999; only a valid write has it below 256
    int32_t value = 0;
    bool writeValid = false;   // checksum matches and number and value are acceptable
    std::string writeProblem;  // why not, for the traffic log

    std::string describe() const;
};

}  // namespace kv275sim
