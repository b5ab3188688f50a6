#pragma once
// The traffic log: one line per chunk of bytes in either direction, with the
// time since the simulator started and the port, bytes in hexadecimal:
//     0.015321 COM1 in  B2 05
//     0.018442 COM1 out 02 30 31 32 2E 33 30 03 30 46 0D  ; fault checksum
//     0.018450 COM1 --  angle query to 178
// Written to a file, to standard error ("-"), or nowhere.

#include "sim/monotonic_time.h"

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

namespace kv275sim {

class TrafficLog {
public:
    // "" logs nothing, "-" logs to standard error, anything else is a file
    // that is created or appended to. Throws std::runtime_error if it cannot be opened.
    TrafficLog(const std::string& destination, Nanos start);
    ~TrafficLog();
    TrafficLog(const TrafficLog&) = delete;
    TrafficLog& operator=(const TrafficLog&) = delete;

    bool enabled() const { return file_ != nullptr; }

    // `direction` is "in" (from the tool) or "out" (to the tool).
    void bytes(const std::string& port, const char* direction, const uint8_t* data, size_t count,
               const std::string& note = {});
    void event(const std::string& port, const std::string& text);

private:
    void line(const std::string& port, const char* tag, const std::string& body);

    std::mutex mutex_;
    FILE* file_ = nullptr;
    bool ownsFile_ = false;
    Nanos start_;
};

}  // namespace kv275sim
