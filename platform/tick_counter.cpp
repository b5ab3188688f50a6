#include "platform/tick_counter.h"

#include <cerrno>
#include <time.h>

namespace platform {
namespace {

TickSource& tickSource() {
    static TickSource source;
    return source;
}

// Whole milliseconds of the monotonic clock, before they are cut to 32 bits.
uint64_t monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
}

uint32_t monotonicTicks() {
    return static_cast<uint32_t>(monotonicMs());  // keeps the low 32 bits: wraps like the original counter
}

// Sleeps until the monotonic clock reaches the start of millisecond `ms`,
// which is when the tick counter shows it.
void sleepUntilMs(uint64_t ms) {
    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(ms / 1000u);
    deadline.tv_nsec = static_cast<long>((ms % 1000u) * 1000000u);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}

}  // namespace

uint32_t GetTickCount() {
    const TickSource& source = tickSource();
    return source ? source() : monotonicTicks();
}

void waitTicks(uint32_t ms) {
    if (tickSource()) {
        // A fake clock moves only when it is read: poll it.
        const uint32_t start = GetTickCount();
        while (static_cast<uint32_t>(GetTickCount() - start) < ms) {
        }
        return;
    }
    // The wait ends when the counter has moved on by `ms` from the reading
    // at its start, exactly as a poll of the counter would see it, but the
    // thread sleeps meanwhile instead of keeping a core busy.
    const uint64_t start = monotonicMs();
    const uint64_t end = start + ms;
    while (monotonicMs() < end) sleepUntilMs(end);
}

void setTickSource(TickSource source) { tickSource() = std::move(source); }

}  // namespace platform
