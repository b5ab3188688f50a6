#include "cli/sweep_schedule.h"

#include "platform/tick_counter.h"

#include <algorithm>

namespace kvcli {
namespace {
constexpr uint32_t kStopLookMs = 100;
}

SweepSchedule::SweepSchedule(uint32_t intervalMs, std::optional<uint64_t> count, std::optional<uint32_t> durationMs)
    : lastTick_(platform::GetTickCount()), intervalMs_(intervalMs), count_(count), durationMs_(durationMs) {}

uint64_t SweepSchedule::elapsedMs() {
    const uint32_t now = platform::GetTickCount();
    elapsed_ += static_cast<uint32_t>(now - lastTick_);
    lastTick_ = now;
    return elapsed_;
}

bool SweepSchedule::Next(const std::function<bool()>& stopRequested) {
    if (stopRequested()) return false;
    if (count_ && sweeps_ >= *count_) return false;
    for (;;) {
        const uint64_t now = elapsedMs();
        if (durationMs_ && now >= *durationMs_) return false;
        if (now >= due_) {
            // On the interval's grid while sweeps are shorter than it, so the
            // time they take does not add up; after a longer one the next
            // starts at once, without a burst to catch up.
            due_ = std::max(due_ + intervalMs_, now);
            break;
        }
        uint64_t wait = std::min<uint64_t>(due_ - now, kStopLookMs);
        if (durationMs_) wait = std::min<uint64_t>(wait, *durationMs_ - now);
        platform::waitTicks(static_cast<uint32_t>(wait));
        if (stopRequested()) return false;
    }
    ++sweeps_;
    return true;
}

}  // namespace kvcli
