#pragma once
// The tool's end of a simulated port, with plain POSIX calls: open the link,
// set raw mode and a rate, write, and read with poll() up to a deadline.

#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

class LineClient {
public:
    // Opens `path` raw at `baud`; check ok() afterwards.
    LineClient(const std::string& path, unsigned baud);
    ~LineClient();
    LineClient(const LineClient&) = delete;
    LineClient& operator=(const LineClient&) = delete;

    bool ok() const { return fd_ >= 0; }
    int error() const { return error_; }

    bool send(const std::vector<uint8_t>& bytes);
    // Reads until `count` bytes have come or `timeoutMs` has passed. After
    // that, waits `settleMs` more for stray bytes beyond `count`, which are
    // returned as well (so a test sees a reply that is too long).
    std::vector<uint8_t> receive(size_t count, int timeoutMs, int settleMs = 0);
    // send() then receive().
    std::vector<uint8_t> ask(const std::vector<uint8_t>& request, size_t count, int timeoutMs = 2000, int settleMs = 0);

    // The errno of the last failed read or write (0 while the line is fine;
    // EIO once the device is gone).
    int lineError() const { return lineError_; }

private:
    int fd_ = -1;
    int error_ = 0;
    int lineError_ = 0;
};

}  // namespace simtest
