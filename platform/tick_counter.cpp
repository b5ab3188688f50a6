#include "platform/tick_counter.h"

#include <time.h>

namespace platform {
namespace {

TickSource& tickSource() {
    static TickSource source;
    return source;
}

uint32_t monotonicTicks() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);  // keeps the low 32 bits: wraps like the original counter
}

}  // namespace

uint32_t GetTickCount() {
    const TickSource& source = tickSource();
    return source ? source() : monotonicTicks();
}

void waitTicks(uint32_t ms) {
    const uint32_t start = GetTickCount();
    while (static_cast<uint32_t>(GetTickCount() - start) < ms) {
    }
}

void setTickSource(TickSource source) { tickSource() = std::move(source); }

}  // namespace platform
