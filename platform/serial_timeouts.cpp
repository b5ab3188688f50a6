#include "platform/serial_timeouts.h"

#include <algorithm>
#include <climits>

namespace platform {
namespace {

constexpr int64_t kNsPerMs = 1000000;
// Limits beyond this (about 31 years) are as good as none and would overflow
// once turned into nanoseconds.
constexpr uint64_t kLongestMs = 1000000000000ull;

int64_t msToNs(uint64_t ms) { return static_cast<int64_t>(std::min(ms, kLongestMs)) * kNsPerMs; }

}  // namespace

ReadTimer::ReadTimer(const CommTimeouts& t, uint32_t count, int64_t startNs) : startNs_(startNs) {
    const uint32_t interval = t.ReadIntervalTimeout;
    const uint32_t multiplier = t.ReadTotalTimeoutMultiplier;
    const uint32_t constant = t.ReadTotalTimeoutConstant;
    if (interval == kTimeoutMax && multiplier == 0 && constant == 0) {
        // Take what is there and return at once, even with nothing.
        totalNs_ = 0;
        return;
    }
    uint64_t totalMs = kLongestReadMs;  // the record sets none
    if (interval == kTimeoutMax && multiplier == kTimeoutMax && constant != 0 && constant != kTimeoutMax) {
        // Wait up to `constant` ms for the first byte, then return with it.
        totalMs = constant;
        endOnFirstData_ = true;
    } else {
        if (multiplier != 0 || constant != 0) totalMs = static_cast<uint64_t>(multiplier) * count + constant;
        if (interval != 0) intervalNs_ = msToNs(interval);
    }
    totalNs_ = msToNs(std::min<uint64_t>(totalMs, kLongestReadMs));
}

void ReadTimer::bytesArrived(uint32_t got, int64_t nowNs) {
    got_ = got;
    lastByteNs_ = nowNs;
}

bool ReadTimer::expired(int64_t nowNs) const {
    if (nowNs - startNs_ >= totalNs_) return true;
    if (got_ == 0) return false;
    if (endOnFirstData_) return true;
    // The interval is a limit on the gap between two bytes: only a gap that
    // is longer than it ends the read.
    return intervalNs_ >= 0 && nowNs - lastByteNs_ > intervalNs_;
}

int ReadTimer::pollTimeoutMs(int64_t nowNs) const {
    if (expired(nowNs)) return 0;
    // Both are still ahead, or the read would have expired.
    int64_t remaining = startNs_ + totalNs_ - nowNs;
    if (got_ > 0 && intervalNs_ >= 0) remaining = std::min(remaining, lastByteNs_ + intervalNs_ - nowNs);
    return std::max(1, pollMs(remaining));
}

WriteLimit writeLimit(const CommTimeouts& t, const DeviceControlBlock& line, uint32_t count) {
    if (t.WriteTotalTimeoutMultiplier != 0 || t.WriteTotalTimeoutConstant != 0) {
        const uint64_t ms = static_cast<uint64_t>(t.WriteTotalTimeoutMultiplier) * count + t.WriteTotalTimeoutConstant;
        return {msToNs(std::min<uint64_t>(ms, kLongestReadMs)), false};
    }
    // A start bit, the data bits, a parity bit when there is one, and the
    // stop bits (one and a half counted as two).
    const uint64_t bitsPerByte = 1u + line.ByteSize + (line.Parity != NOPARITY ? 1u : 0u) +
                                 (line.StopBits == ONESTOPBIT ? 1u : 2u);
    uint64_t ms = kLongestWriteMs;
    if (line.BaudRate != 0) ms = (count * bitsPerByte * 1000 + line.BaudRate - 1) / line.BaudRate + kWriteMarginMs;
    return {msToNs(std::min<uint64_t>(ms, kLongestWriteMs)), true};
}

int pollMs(int64_t remainingNs) {
    if (remainingNs < 0) return -1;
    const int64_t ms = (remainingNs + kNsPerMs - 1) / kNsPerMs;
    return static_cast<int>(std::min<int64_t>(ms, INT_MAX));
}

}  // namespace platform
