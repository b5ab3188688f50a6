#include "sim/monotonic_time.h"

#include <cerrno>
#include <sys/prctl.h>
#include <time.h>

namespace kv275sim {

Nanos monotonicNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<Nanos>(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
}

void sleepUntil(Nanos deadline) {
    if (deadline <= 0) return;
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(deadline / kNanosPerSecond);
    ts.tv_nsec = static_cast<long>(deadline % kNanosPerSecond);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

void requestPreciseWakeups() {
    // Only a hint: a refusal leaves the default slack, which still works.
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

}  // namespace kv275sim
