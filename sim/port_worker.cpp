#include "sim/port_worker.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <unistd.h>

namespace kv275sim {
namespace {

// Pacing writes at most this often; at high rates several bytes go per write.
constexpr Nanos kChunkInterval = kNanosPerMilli;
// Coarse waits wake up this much early and sleep the rest precisely.
constexpr Nanos kFineWait = 2 * kNanosPerMilli;
// How long a reply may wait for room on a line nobody reads before it is dropped.
constexpr int kStalledWriteMs = 1000;

}  // namespace

PortWorker::PortWorker(std::unique_ptr<PtyLink> link, SensorBus& bus, TrafficLog& log, PortTiming timing, Nanos start)
    : link_(std::move(link)), bus_(bus), log_(log), timing_(timing), start_(start) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) throw std::runtime_error(std::string("cannot create an event descriptor: ") + std::strerror(errno));
}

PortWorker::~PortWorker() {
    stop();
    ::close(wakeFd_);
}

void PortWorker::start() {
    if (thread_.joinable() || !link_->isOpen()) return;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

bool PortWorker::isOpen() const {
    std::lock_guard lock(linkMutex_);
    return link_->isOpen();
}

void PortWorker::stop() {
    stopping_ = true;
    const uint64_t one = 1;
    (void)!::write(wakeFd_, &one, sizeof one);
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(linkMutex_);
    if (link_->isOpen()) {
        link_->close();
        log_.event(link_->name(), "port closed");
    }
}

bool PortWorker::waitUntil(Nanos deadline) {
    for (;;) {
        if (stopping_) return false;
        const Nanos left = deadline - monotonicNow();
        if (left <= 0) return true;
        if (left <= kFineWait) {
            sleepUntil(deadline);
            return !stopping_;
        }
        pollfd wake{wakeFd_, POLLIN, 0};
        poll(&wake, 1, static_cast<int>((left - kFineWait) / kNanosPerMilli) + 1);
    }
}

bool PortWorker::writeAll(const uint8_t* data, size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(link_->masterFd(), data, count);
        if (n > 0) {
            data += n;
            count -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            // Nobody reads the port and its input is full.
            pollfd fds[2] = {{link_->masterFd(), POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
            if (poll(fds, 2, kStalledWriteMs) > 0 && (fds[0].revents & POLLOUT) && !stopping_) continue;
        }
        return false;
    }
    return true;
}

bool PortWorker::sendPaced(const Bytes& bytes, Nanos start, const LineTiming& timing) {
    const Nanos byteTime = std::max<Nanos>(timing.byteTime(), 1);
    const size_t chunk = static_cast<size_t>(std::max<Nanos>(1, kChunkInterval / byteTime));
    for (size_t sent = 0; sent < bytes.size();) {
        const size_t n = std::min(chunk, bytes.size() - sent);
        // A byte can be read once its stop bit is through.
        if (!waitUntil(start + static_cast<Nanos>(sent + n) * byteTime)) return false;
        if (!writeAll(bytes.data() + sent, n)) return false;
        sent += n;
    }
    return true;
}

void PortWorker::serve(const Request& request, Nanos received) {
    const double seconds = static_cast<double>(monotonicNow() - start_) / static_cast<double>(kNanosPerSecond);
    const Answer answer = bus_.handle(request, last_, seconds);
    if (answer.bytes.empty() && !answer.unplugAfter) {
        const std::string why = answer.note.empty() ? "" : " (" + answer.note + ")";
        log_.event(link_->name(), request.describe() + ", no answer" + why);
        return;
    }
    const Nanos replyStart = received + timing_.answerDelay;
    if (answer.unplugAfter) {
        log_.event(link_->name(), request.describe());
        unplug(answer, replyStart);
        return;
    }
    log_.event(link_->name(), request.describe());
    if (!waitUntil(replyStart)) return;
    // Read the rate only now: the tool may have changed it since the request.
    const LineTiming line = readLineTiming(link_->masterFd(), timing_.fallbackBaud);
    const bool complete = sendPaced(answer.bytes, replyStart, line);
    std::string note = answer.note;
    if (!complete) note += note.empty() ? "cut off" : ", cut off";
    log_.bytes(link_->name(), "out", answer.bytes.data(), answer.bytes.size(), note);
}

void PortWorker::unplug(const Answer& answer, Nanos replyStart) {
    const size_t part = std::min(*answer.unplugAfter, answer.bytes.size());
    if (part > 0 && waitUntil(replyStart)) {
        const Bytes sent(answer.bytes.begin(), answer.bytes.begin() + static_cast<std::ptrdiff_t>(part));
        if (sendPaced(sent, replyStart, readLineTiming(link_->masterFd(), timing_.fallbackBaud)))
            log_.bytes(link_->name(), "out", sent.data(), sent.size(), "cut off: unplugged");
    }
    stopping_ = true;
    std::lock_guard lock(linkMutex_);
    link_->unplug();
    log_.event(link_->name(), "unplugged");
}

void PortWorker::run() {
    requestPreciseWakeups();
    uint8_t buffer[512];
    while (!stopping_) {
        pollfd fds[2] = {{link_->masterFd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (stopping_ || (fds[1].revents & POLLIN)) break;
        if (!(fds[0].revents & POLLIN)) {
            // A hang-up without data cannot last while the simulator holds the
            // slave open; do not spin on it all the same.
            if (fds[0].revents) poll(&fds[1], 1, 10);
            continue;
        }
        const ssize_t n = ::read(link_->masterFd(), buffer, sizeof buffer);
        if (n <= 0) continue;
        log_.bytes(link_->name(), "in", buffer, static_cast<size_t>(n));
        // A pseudo-terminal hands over what the tool wrote at once; on a real
        // line each byte arrives one byte time after the one before, and a
        // sensor can only answer once the whole request is in.
        const Nanos byteTime =
            timing_.requestTakesLineTime ? readLineTiming(link_->masterFd(), timing_.fallbackBaud).byteTime() : 0;
        Nanos arrival = std::max(monotonicNow(), inputBusyUntil_);
        for (ssize_t i = 0; i < n && !stopping_; ++i) {
            arrival += byteTime;
            if (const auto request = parser_.feed(buffer[i])) serve(*request, arrival);
        }
        inputBusyUntil_ = arrival;
    }
}

}  // namespace kv275sim
