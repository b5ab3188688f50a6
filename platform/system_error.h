#pragma once
#include <string>

namespace platform {

// The system's own description of an error code (errno value).
std::string systemErrorText(int code);

}  // namespace platform
