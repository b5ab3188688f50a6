#pragma once
// The 32-bit millisecond tick counter. It wraps after about 49.7 days; every
// comparison must be an unsigned difference so that waits end across the wrap.

#include <cstdint>
#include <functional>

namespace platform {

uint32_t GetTickCount();

// Waits until the counter has moved on by at least `ms` ticks since the call
// began; nothing else runs meanwhile. On the real clock the thread sleeps.
void waitTicks(uint32_t ms);

// Replaces the clock (tests install a fake); an empty function restores the
// monotonic clock.
using TickSource = std::function<uint32_t()>;
void setTickSource(TickSource source);

}  // namespace platform
