#include "sim/traffic_log.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kv275sim {

TrafficLog::TrafficLog(const std::string& destination, Nanos start) : start_(start) {
    if (destination.empty()) return;
    if (destination == "-") {
        file_ = stderr;
        return;
    }
    file_ = std::fopen(destination.c_str(), "ae");
    if (!file_) {
        throw std::runtime_error("cannot open log file " + destination + ": " + std::strerror(errno));
    }
    ownsFile_ = true;
}

TrafficLog::~TrafficLog() {
    if (ownsFile_) std::fclose(file_);
}

void TrafficLog::bytes(const std::string& port, const char* direction, const uint8_t* data, size_t count,
                       const std::string& note) {
    if (!file_) return;
    std::string body;
    body.reserve(count * 3 + note.size() + 4);
    static const char kHex[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) {
        if (i) body += ' ';
        body += kHex[data[i] >> 4];
        body += kHex[data[i] & 0x0F];
    }
    if (!note.empty()) body += "  ; " + note;
    line(port, direction, body);
}

void TrafficLog::event(const std::string& port, const std::string& text) {
    if (!file_) return;
    line(port, "--", text);
}

void TrafficLog::line(const std::string& port, const char* tag, const std::string& body) {
    const double seconds = static_cast<double>(monotonicNow() - start_) / static_cast<double>(kNanosPerSecond);
    std::lock_guard lock(mutex_);
    std::fprintf(file_, "%11.6f %s %-3s %s\n", seconds, port.c_str(), tag, body.c_str());
    std::fflush(file_);
}

}  // namespace kv275sim
