#pragma once
// A scripted serial line for tests. install() makes every port open hand out a
// fake device bound to this line; the line records every call in order and
// plays the replies a responder gives for each write. Time-outs advance the
// fake clock (when one is given) instead of waiting.

#include "platform/serial_device.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace testsupport {

class FakeClock;

class FakeSerialLine {
public:
    explicit FakeSerialLine(FakeClock* clock = nullptr);
    ~FakeSerialLine();  // uninstalls the opener
    FakeSerialLine(const FakeSerialLine&) = delete;
    FakeSerialLine& operator=(const FakeSerialLine&) = delete;

    void install();

    // Every call, in order: "open COM1", "close", "getState", "setState",
    // "getTimeouts", "setTimeouts", "CLRDTR", "SETRTS", "CLRRTS", "SETDTR",
    // "write B1" (upper-case hex, blank separated), "purge", "drain",
    // "read 11 got 3". A failed call ends in " -> E<errno>".
    std::vector<std::string> log;
    void clearLog() { log.clear(); }
    // The log entries that are writes, reads, purges and drains only.
    std::vector<std::string> traffic() const;

    // Bytes waiting to be read.
    std::string input;
    // Called for every successful write with the bytes written; what it returns
    // is appended to the input.
    std::function<std::string(const std::string& written)> responder;

    // Faults.
    int openError = 0;                      // the open fails with this errno
    std::map<std::string, int> failNext;    // op name ("close", "read", ...) -> errno, once
    std::map<std::string, int> failAlways;  // op name -> errno, every time
    bool vanished = false;                  // every call fails with EIO
    uint32_t writeLimit = UINT32_MAX;       // a write sends at most this many bytes
    int modemLineError = 0;                 // escape() answers this (ENOTTY on a pseudo-terminal)
    int lowLatencyError = 0;                // the driver refuses low latency with this (ENOTTY, EINVAL, EPERM)

    // The driver's low-latency mode, which outlives an open as a real
    // driver's does, and every request to switch it, apart from the log so
    // that the call log stays the exchange: "on", "off", "on -> E25".
    bool lowLatency = false;
    std::vector<std::string> latencyLog;

    // State as the device sees it.
    bool isOpen = false;
    int openCount = 0;
    std::string openedName;
    platform::DeviceControlBlock dcb;
    platform::CommTimeouts timeouts;
    bool rts = false;
    bool dtr = false;
    std::string written;  // everything written, over all opens

    // Used by the device objects.
    int fault(const std::string& op);
    void record(const std::string& entry, int err);
    FakeClock* clock() const { return clock_; }

private:
    FakeClock* clock_;
};

std::string hexBytes(const std::string& bytes);

}  // namespace testsupport
