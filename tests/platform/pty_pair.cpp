#include "tests/platform/pty_pair.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

PtyPair::PtyPair(const std::string& portName) {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    slavePath_ = name;
    termios tio{};
    tcgetattr(master_, &tio);
    cfmakeraw(&tio);
    tcsetattr(master_, TCSANOW, &tio);
    if (symlink(slavePath_.c_str(), portName.c_str()) != 0) throw std::runtime_error("symlink failed");
}

PtyPair::~PtyPair() {
    if (slave_ >= 0) ::close(slave_);
    closeFarEnd();
}

void PtyPair::send(const std::string& bytes) {
    const size_t before = pendingAtNearEnd();
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("write to the far end failed");
        done += static_cast<size_t>(n);
    }
    // The kernel hands the bytes over to the near end in the background.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (pendingAtNearEnd() < before + bytes.size() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

std::string PtyPair::receive(size_t count, int waitMs) {
    std::string out;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{master_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[4096];
        const size_t want = count - out.size() < sizeof buffer ? count - out.size() : sizeof buffer;
        const ssize_t n = ::read(master_, buffer, want);
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

size_t PtyPair::pendingAtNearEnd() const {
    int n = 0;
    if (slave_ < 0 || ioctl(slave_, FIONREAD, &n) != 0) return 0;
    return static_cast<size_t>(n);
}

void PtyPair::closeFarEnd() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

}  // namespace testsupport
