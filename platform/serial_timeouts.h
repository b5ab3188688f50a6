#pragma once
// When a read or write under the serial time-out record has to end. Kept
// apart from the device so the rules can be checked without waiting: all
// times are nanoseconds on the monotonic clock, passed in by the caller.

#include "platform/serial_device.h"

#include <cstdint>

namespace platform {

// The value that gives the interval and multiplier fields their special
// "return at once" meanings.
constexpr uint32_t kTimeoutMax = 0xFFFFFFFFu;

// No single read waits longer than this, whatever the record says: a line
// that stays silent under "no limit" settings must not hang the program.
constexpr uint32_t kLongestReadMs = 60000;

// The record a device has from its open until the program's own settings
// replace it, so that a setting the port refuses never leaves reads without
// a limit.
constexpr CommTimeouts kOpeningTimeouts{0, 0, 1000, 0, 0};

class ReadTimer {
public:
    ReadTimer(const CommTimeouts& t, uint32_t count, int64_t startNs);

    // Bytes came in at `nowNs` (got is the total count so far).
    void bytesArrived(uint32_t got, int64_t nowNs);
    // True when the read must end now with whatever it has.
    bool expired(int64_t nowNs) const;
    // The time-out for the next poll() in ms, at least 1 while not expired (rounded up, so a poll never ends before its limit).
    int pollTimeoutMs(int64_t nowNs) const;

private:
    int64_t startNs_;
    int64_t totalNs_ = 0;      // every read has a total limit, at most kLongestReadMs
    int64_t intervalNs_ = -1;  // -1: no interval limit
    bool endOnFirstData_ = false;
    uint32_t got_ = 0;
    int64_t lastByteNs_ = 0;
};

// The total limit of a write of `count` bytes in ns, -1 when there is none.
int64_t writeLimitNs(const CommTimeouts& t, uint32_t count);

// Milliseconds for poll(): -1 for no limit, else `remainingNs` rounded up
// and clamped to what poll() takes.
int pollMs(int64_t remainingNs);

}  // namespace platform
