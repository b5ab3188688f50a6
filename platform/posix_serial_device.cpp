#include "platform/posix_serial_device.h"

#include "platform/pseudo_terminal.h"
#include "platform/serial_line_settings.h"
#include "platform/serial_timeouts.h"

#include <cerrno>
#include <optional>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace platform {
namespace {

int64_t monotonicNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// An unplugged adapter or a closed simulator shows up as any of these; the
// callers see one code for "the device is gone".
int ioError(int e) {
    switch (e) {
    case EIO:
    case ENXIO:
    case ENODEV:
    case EPIPE: return EIO;
    default: return e;
    }
}

int setModemLine(int fd, bool raise, int line) {
    int bits = line;
    return ioctl(fd, raise ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : errno;
}

}  // namespace

std::unique_ptr<SerialDevice> PosixSerialDevice::open(const std::string& path, int& err) {
    err = 0;
    int fd = -1;
    // O_NONBLOCK: without it an open can wait for carrier detect forever.
    do fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        err = errno;
        return nullptr;
    }
    auto fail = [&](int e, bool exclusive) -> std::unique_ptr<SerialDevice> {
        if (exclusive) ioctl(fd, TIOCNXCL);
        ::close(fd);
        err = e;
        return nullptr;
    };

    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return fail(errno == EINVAL ? ENOTTY : errno, false);
    // flock holds against root too, whom TIOCEXCL does not stop.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail(errno == EWOULDBLOCK ? EBUSY : errno, false);
    if (ioctl(fd, TIOCEXCL) != 0) return fail(errno, false);
    makeRaw(tio);
    // EINVAL: some part did not take (the C library checks parity and size).
    if (tcsetattr(fd, TCSANOW, &tio) != 0 && errno != EINVAL) return fail(ioError(errno), true);
    // A port starts with nothing to read. A pseudo-terminal whose far end
    // stays open keeps what came after an earlier program's last read (a
    // reply that arrived late), and a later request would take it for its answer.
    tcflush(fd, TCIFLUSH);

    return std::unique_ptr<SerialDevice>(new PosixSerialDevice(fd, isPseudoTerminal(fd)));
}

PosixSerialDevice::PosixSerialDevice(int fd, bool pseudoTerminal) : fd_(fd), pseudoTerminal_(pseudoTerminal) {
    // The driver raises both lines when a port is opened.
    block_.flags = dcbflags::Binary | dcbflags::DtrControlEnable | dcbflags::RtsControlEnable;
}

PosixSerialDevice::~PosixSerialDevice() { release(); }

void PosixSerialDevice::release() {
    if (fd_ < 0) return;
    ioctl(fd_, TIOCNXCL);
    flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

int PosixSerialDevice::close() {
    if (fd_ < 0) return 0;
    ioctl(fd_, TIOCNXCL);  // fails harmlessly on a device that is gone
    flock(fd_, LOCK_UN);
    const int fd = fd_;
    // Linux releases the descriptor even when close() reports an error, so
    // it must never be closed a second time (it may belong to someone else by then).
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) return errno;
    return 0;
}

int PosixSerialDevice::getState(DeviceControlBlock& dcb) {
    if (fd_ < 0) return EBADF;
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) return ioError(errno);
    dcb = blockFromTermios(tio, block_);
    return 0;
}

int PosixSerialDevice::setState(const DeviceControlBlock& dcb) {
    if (fd_ < 0) return EBADF;
    termios before{};
    if (tcgetattr(fd_, &before) != 0) return ioError(errno);
    termios wanted = before;
    if (const int e = applyBlock(dcb, wanted)) return e;
    // tcsetattr succeeds when any part of the change took, and the C library
    // may call it a failure (EINVAL) when a part did not: either way, what
    // counts is what the line reads back as.
    if (tcsetattr(fd_, TCSANOW, &wanted) != 0 && errno != EINVAL) return ioError(errno);
    termios actual{};
    if (tcgetattr(fd_, &actual) != 0) return ioError(errno);
    if (!sameLine(wanted, actual, pseudoTerminal_)) {
        tcsetattr(fd_, TCSANOW, &before);  // leave the line as it was
        return EINVAL;
    }
    applyLineControl(dcb);
    block_ = dcb;
    block_.DCBlength = 28;
    return 0;
}

void PosixSerialDevice::applyLineControl(const DeviceControlBlock& dcb) {
    // Enable raises a line for good, disable lowers it; handshake and toggle
    // leave it to the driver. A pseudo-terminal has no lines to move.
    if (pseudoTerminal_) return;
    const uint32_t dtr = dcb.flags & dcbflags::DtrControlMask;
    if (dtr == 0 || dtr == dcbflags::DtrControlEnable) setModemLine(fd_, dtr != 0, TIOCM_DTR);
    const uint32_t rts = dcb.flags & dcbflags::RtsControlMask;
    if (rts == 0 || rts == dcbflags::RtsControlEnable) setModemLine(fd_, rts != 0, TIOCM_RTS);
}

int PosixSerialDevice::getTimeouts(CommTimeouts& t) {
    if (fd_ < 0) return EBADF;
    t = timeouts_;
    return 0;
}

int PosixSerialDevice::setTimeouts(const CommTimeouts& t) {
    if (fd_ < 0) return EBADF;
    timeouts_ = t;
    return 0;
}

int PosixSerialDevice::escape(Escape function) {
    if (fd_ < 0) return EBADF;
    int err = 0;
    switch (function) {
    case Escape::SETRTS: err = setModemLine(fd_, true, TIOCM_RTS); break;
    case Escape::CLRRTS: err = setModemLine(fd_, false, TIOCM_RTS); break;
    case Escape::SETDTR: err = setModemLine(fd_, true, TIOCM_DTR); break;
    case Escape::CLRDTR: err = setModemLine(fd_, false, TIOCM_DTR); break;
    default: return EINVAL;
    }
    if (err == ENOTTY) pseudoTerminal_ = true;
    return ioError(err);
}

int PosixSerialDevice::write(const uint8_t* data, uint32_t count, uint32_t& written) {
    written = 0;
    if (fd_ < 0) return EBADF;
    if (count == 0) return 0;
    if (!data) return EFAULT;
    const int64_t start = monotonicNs();
    // Looked at only once the line makes the write wait, which it seldom does.
    std::optional<WriteLimit> limit;
    for (;;) {
        const ssize_t n = ::write(fd_, data + written, count - written);
        if (n > 0) {
            written += static_cast<uint32_t>(n);
            if (written == count) {
                stalled_ = false;
                return 0;
            }
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return ioError(errno);
        // The line takes no more for now: wait for room, within the limit.
        if (!limit) limit = writeLimit(timeouts_, lineNow(), count);
        // A line that already failed to take a write and still has no room
        // is gone: each further request would only wait as long again.
        if (stalled_ && limit->deviceGoneAtEnd) return EIO;
        const int64_t left = start + limit->ns - monotonicNs();
        // A short count at the program's own time-out is a success; a write
        // that has no time-out and still cannot finish never will.
        if (left <= 0) {
            stalled_ = limit->deviceGoneAtEnd;
            return stalled_ ? EIO : 0;
        }
        pollfd p{fd_, POLLOUT, 0};
        const int r = ::poll(&p, 1, pollMs(left));
        if (r < 0) {
            if (errno == EINTR) continue;
            return ioError(errno);
        }
        if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) return EIO;
    }
}

DeviceControlBlock PosixSerialDevice::lineNow() const {
    termios tio{};
    if (tcgetattr(fd_, &tio) != 0) return block_;
    return blockFromTermios(tio, block_);
}

int PosixSerialDevice::read(uint8_t* buffer, uint32_t count, uint32_t& got) {
    got = 0;
    if (fd_ < 0) return EBADF;
    if (count == 0) return 0;
    if (!buffer) return EFAULT;
    ReadTimer timer(timeouts_, count, monotonicNs());
    bool pollSaidReadable = false;
    bool hungUp = false;
    for (;;) {
        // Read before every wait: bytes that are already there end the read at once.
        const ssize_t n = ::read(fd_, buffer + got, count - got);
        if (n > 0) {
            got += static_cast<uint32_t>(n);
            if (got == count) return 0;
            timer.bytesArrived(got, monotonicNs());
            pollSaidReadable = false;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return ioError(errno);
        // Nothing came. After a hang-up, or a read of 0 although poll() said
        // there was something, the other end is gone; waiting would never end.
        if (hungUp || (n == 0 && pollSaidReadable)) return EIO;
        const int64_t now = monotonicNs();
        if (timer.expired(now)) return 0;
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, timer.pollTimeoutMs(now));
        if (r < 0) {
            if (errno == EINTR) continue;
            return ioError(errno);
        }
        pollSaidReadable = (p.revents & POLLIN) != 0;
        // Take what is still buffered before reporting the hang-up.
        hungUp = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
    }
}

int PosixSerialDevice::purge() {
    if (fd_ < 0) return EBADF;
    // On a pseudo-terminal the drained output already sits with the other
    // program, as it would be on the wire of a real line: keep it.
    return tcflush(fd_, pseudoTerminal_ ? TCIFLUSH : TCIOFLUSH) == 0 ? 0 : ioError(errno);
}

int PosixSerialDevice::drain() {
    if (fd_ < 0) return EBADF;
    while (tcdrain(fd_) != 0) {
        if (errno != EINTR) return ioError(errno);
    }
    return 0;
}

int PosixSerialDevice::setLowLatency(bool on, bool& previous) {
    previous = false;
    if (fd_ < 0) return EBADF;
    // Only the one flag changes: the driver compares every other field with
    // its own and refuses a user who is not allowed to change those.
    serial_struct info{};
    if (ioctl(fd_, TIOCGSERIAL, &info) != 0) return errno;
    previous = (info.flags & ASYNC_LOW_LATENCY) != 0;
    if (previous == on) return 0;
    const unsigned flags = static_cast<unsigned>(info.flags);
    info.flags = static_cast<int>(on ? flags | ASYNC_LOW_LATENCY : flags & ~ASYNC_LOW_LATENCY);
    return ioctl(fd_, TIOCSSERIAL, &info) == 0 ? 0 : errno;
}

}  // namespace platform
