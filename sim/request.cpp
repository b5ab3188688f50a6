#include "sim/request.h"

#include <cstdio>

namespace kv275sim {

std::string Request::describe() const {
    char text[160];
    switch (kind) {
    case Kind::AngleQuery:
        std::snprintf(text, sizeof text, "angle query to %u", address);
        break;
    case Kind::ReadVariables:
        std::snprintf(text, sizeof text, "variable read from %u", address);
        break;
    case Kind::WriteVariable:
        std::snprintf(text, sizeof text, "write V%03d=%ld to %u%s%s", variable, static_cast<long>(value), address,
                      writeValid ? "" : ", rejected: ", writeProblem.c_str());
        break;
    case Kind::Nak:
        std::snprintf(text, sizeof text, "NAK");
        break;
    }
    return text;
}

}  // namespace kv275sim
