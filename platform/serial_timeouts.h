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

// A write under "no limit" (both write values 0) still ends: once its bytes
// would have crossed the line at its rate, plus this margin, and never later
// than kLongestWriteMs. A line that has taken nothing more by then never will
// (a far end that stopped reading, a stuck adapter).
constexpr uint32_t kWriteMarginMs = 1000;
constexpr uint32_t kLongestWriteMs = 5000;

struct WriteLimit {
    int64_t ns = 0;
    // True for the cap of a write without a time-out of its own: a write
    // still unfinished then counts as the device being gone. A write that
    // runs into the program's own time-out ends with a short count instead.
    bool deviceGoneAtEnd = false;
};

// The total limit of a write of `count` bytes on a line with the rate and
// character format of `line`. The program's own limit (multiplier x count +
// constant) holds as given, up to kLongestReadMs as for reads.
WriteLimit writeLimit(const CommTimeouts& t, const DeviceControlBlock& line, uint32_t count);

// Milliseconds for poll(): -1 for no limit, else `remainingNs` rounded up
// and clamped to what poll() takes.
int pollMs(int64_t remainingNs);

}  // namespace platform
