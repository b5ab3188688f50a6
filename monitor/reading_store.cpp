#include "monitor/reading_store.h"

#include <algorithm>

namespace monitor {

void ReadingStore::clear() {
    histories_.clear();
    totalsAtPause_.clear();
    pausedAt_.reset();
    readings_ = 0;
}

const SensorHistory* ReadingStore::find(int address) const {
    const auto it = histories_.find(address);
    return it == histories_.end() ? nullptr : &it->second;
}

void ReadingStore::remove(int address) {
    histories_.erase(address);
    totalsAtPause_.erase(address);
}

void ReadingStore::add(int address, const Sample& sample) {
    histories_[address].add(sample);
    ++readings_;
}

void ReadingStore::setPaused(bool paused) {
    if (paused == this->paused()) return;
    if (!paused) {
        pausedAt_.reset();
        totalsAtPause_.clear();
    } else {
        pausedAt_ = lastTime().value_or(0.0);
        for (const auto& [address, history] : histories_) totalsAtPause_[address] = history.totals();
    }
    // While paused, the hour before the pause stays raw: its statistics stay exact.
    for (auto& [address, history] : histories_) history.holdRawFrom(pausedAt_);
}

std::optional<double> ReadingStore::firstTime() const {
    std::optional<double> first;
    for (const auto& [address, h] : histories_)
        if (const std::optional<double> t = h.firstTime()) first = first ? std::min(*first, *t) : *t;
    return first;
}

std::optional<double> ReadingStore::lastTime() const {
    std::optional<double> last;
    for (const auto& [address, h] : histories_)
        if (const std::optional<double> t = h.lastTime()) last = last ? std::max(*last, *t) : *t;
    return last;
}

std::optional<Span> ReadingStore::span() const {
    const std::optional<double> first = firstTime();
    if (!first) return std::nullopt;
    const double to = pausedAt_ ? *pausedAt_ : *lastTime();
    if (windowSeconds_ > 0) return Span{to - windowSeconds_, to};
    // Everything: at least a second, so that a single reading has room.
    return Span{*first, std::max(to, *first + 1.0)};
}

WindowStatistics ReadingStore::statistics(int address) const {
    const SensorHistory* h = find(address);
    const std::optional<Span> s = span();
    if (!h || !s) return {};
    if (windowSeconds_ > 0) return StatisticsBetween(*h, s->from, s->to);
    if (pausedAt_) {
        const auto it = totalsAtPause_.find(address);
        // A sensor that came after the pause has nothing in the frozen view.
        return it == totalsAtPause_.end() ? WindowStatistics{} : StatisticsOfAll(it->second);
    }
    return StatisticsOfAll(h->totals());
}

}  // namespace monitor
