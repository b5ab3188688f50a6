#pragma once
// The readings waiting for the broker, oldest first. Bounded: when it is
// full, the oldest reading makes room for the newest and is counted as
// dropped, so that a long outage costs the start of the gap, never memory
// without end, and the latest readings are the ones kept.

#include "sensorlink/reading.h"

#include <cstddef>
#include <cstdint>
#include <deque>

namespace kvcli {

class ReadingQueue {
public:
    explicit ReadingQueue(size_t capacity) : capacity_(capacity) {}

    void Push(const readinglog::Reading& reading);
    // Puts readings taken from the front back there, in their order, as
    // when they could not be handed on after all.
    void PutBack(const std::deque<readinglog::Reading>& taken);
    // Takes up to `count` readings from the front.
    std::deque<readinglog::Reading> Take(size_t count);

    size_t size() const { return readings_.size(); }
    bool empty() const { return readings_.empty(); }
    uint64_t dropped() const { return dropped_; }

private:
    void trim();

    size_t capacity_;
    std::deque<readinglog::Reading> readings_;
    uint64_t dropped_ = 0;
};

}  // namespace kvcli
