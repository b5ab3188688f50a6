#pragma once
// When the sweeps of a run (kv275 read, kv275 times) begin and when the run
// ends, on the millisecond tick counter: a sweep every interval from the
// run's start (at once when a sweep took longer), until a count of sweeps or
// a duration is reached, or Ctrl+C.

#include <cstdint>
#include <functional>
#include <optional>

namespace kvcli {

class SweepSchedule {
public:
    // Starts the run's clock now.
    SweepSchedule(uint32_t intervalMs, std::optional<uint64_t> count, std::optional<uint32_t> durationMs);

    // Waits until the next sweep is due and counts it; false when the run is
    // over instead. The wait looks at `stopRequested` at least every 100 ms.
    bool Next(const std::function<bool()>& stopRequested);

    uint64_t sweeps() const { return sweeps_; }
    // Since the start; keeps counting across the tick counter's wrap.
    uint64_t elapsedMs();

private:
    uint32_t lastTick_;
    uint64_t elapsed_ = 0;
    uint64_t due_ = 0;  // when the next sweep may start, ms after the start
    uint32_t intervalMs_;
    std::optional<uint64_t> count_;
    std::optional<uint32_t> durationMs_;
    uint64_t sweeps_ = 0;
};

}  // namespace kvcli
