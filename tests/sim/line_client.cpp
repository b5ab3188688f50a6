#include "tests/sim/line_client.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace simtest {
namespace {

speed_t speedCode(unsigned baud) {
    switch (baud) {
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 230400: return B230400;
    default: return B115200;
    }
}

}  // namespace

LineClient::LineClient(const std::string& path, unsigned baud) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return;
    }
    termios t{};
    tcgetattr(fd_, &t);
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&t, speedCode(baud));
    cfsetospeed(&t, speedCode(baud));
    tcsetattr(fd_, TCSANOW, &t);
    tcflush(fd_, TCIFLUSH);
}

LineClient::~LineClient() {
    if (fd_ >= 0) ::close(fd_);
}

bool LineClient::send(const std::vector<uint8_t>& bytes) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) lineError_ = errno;
    return n == static_cast<ssize_t>(bytes.size());
}

std::vector<uint8_t> LineClient::receive(size_t count, int timeoutMs, int settleMs) {
    using Clock = std::chrono::steady_clock;
    std::vector<uint8_t> got;
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool settling = false;
    for (;;) {
        if (!settling && got.size() >= count) {
            if (settleMs <= 0) break;
            settling = true;
            deadline = Clock::now() + std::chrono::milliseconds(settleMs);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        uint8_t buffer[2048];
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n > 0) {
            got.insert(got.end(), buffer, buffer + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            lineError_ = n == 0 ? EIO : errno;
            break;
        }
    }
    return got;
}

std::vector<uint8_t> LineClient::ask(const std::vector<uint8_t>& request, size_t count, int timeoutMs, int settleMs) {
    if (!send(request)) return {};
    return receive(count, timeoutMs, settleMs);
}

}  // namespace simtest
