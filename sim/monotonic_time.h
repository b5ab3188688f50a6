#pragma once
// Nanosecond time on the monotonic clock, and sleeping to absolute deadlines
// on it. Replies are paced against deadlines rather than relative sleeps so
// that wake-up latency does not add up byte after byte.

#include <cstdint>

namespace kv275sim {

using Nanos = int64_t;

constexpr Nanos kNanosPerMilli = 1'000'000;
constexpr Nanos kNanosPerSecond = 1'000'000'000;

Nanos monotonicNow();

// Sleeps until the monotonic clock reads at least `deadline`.
void sleepUntil(Nanos deadline);

// Asks the kernel for the finest wake-up precision for the calling thread
// (the default slack of 50 us would be a visible share of a byte time).
void requestPreciseWakeups();

}  // namespace kv275sim
