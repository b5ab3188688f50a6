#include "cli/reading_queue.h"

namespace kvcli {

void ReadingQueue::Push(const readinglog::Reading& reading) {
    readings_.push_back(reading);
    trim();
}

void ReadingQueue::PutBack(const std::deque<readinglog::Reading>& taken) {
    readings_.insert(readings_.begin(), taken.begin(), taken.end());
    trim();
}

std::deque<readinglog::Reading> ReadingQueue::Take(size_t count) {
    std::deque<readinglog::Reading> taken;
    while (taken.size() < count && !readings_.empty()) {
        taken.push_back(readings_.front());
        readings_.pop_front();
    }
    return taken;
}

void ReadingQueue::trim() {
    while (readings_.size() > capacity_) {
        readings_.pop_front();
        ++dropped_;
    }
}

}  // namespace kvcli
