#pragma once
// Serves one port of the simulator on a thread of its own: reads what the
// tool sends, lets the bus answer, and sends the answer paced at the line's
// byte time. The reply starts the answer delay after the request would have
// crossed a real line at that rate, so a request of n bytes and a reply of m
// bytes take (n + m) byte times + the answer delay, as on the real bus.

#include "sim/line_timing.h"
#include "sim/monotonic_time.h"
#include "sim/pty_link.h"
#include "sim/request_parser.h"
#include "sim/sensor_bus.h"
#include "sim/traffic_log.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

namespace kv275sim {

struct PortTiming {
    Nanos answerDelay = 3 * kNanosPerMilli;
    unsigned fallbackBaud = 9600;  // when the line's own rate cannot be read
    bool requestTakesLineTime = true;
};

class PortWorker {
public:
    // Throws std::runtime_error when the wake-up channel cannot be made.
    PortWorker(std::unique_ptr<PtyLink> link, SensorBus& bus, TrafficLog& log, PortTiming timing, Nanos start);
    ~PortWorker();
    PortWorker(const PortWorker&) = delete;
    PortWorker& operator=(const PortWorker&) = delete;

    void start();
    // Ends the thread (a reply under way is cut off), closes the
    // pseudo-terminal and removes its link. Safe to repeat.
    void stop();

    const PtyLink& link() const { return *link_; }
    // False once stopped, or once an unplug rule pulled the port out.
    bool isOpen() const;

private:
    void run();
    // Answers a request whose last byte was through the line at `received`.
    void serve(const Request& request, Nanos received);
    // Waits until `deadline`; false when the worker is being stopped.
    bool waitUntil(Nanos deadline);
    // Sends `bytes` so that byte i is complete at start + (i + 1) byte times.
    bool sendPaced(const Bytes& bytes, Nanos start, const LineTiming& timing);
    bool writeAll(const uint8_t* data, size_t count);
    // Sends the part of `answer` an unplug rule lets through, then leaves the
    // port as a pulled-out adapter leaves it; the thread ends.
    void unplug(const Answer& answer, Nanos replyStart);

    std::unique_ptr<PtyLink> link_;
    SensorBus& bus_;
    TrafficLog& log_;
    PortTiming timing_;
    Nanos start_;
    RequestParser parser_;
    LastAnswer last_;
    Nanos inputBusyUntil_ = 0;  // when the bytes read so far were all through the line
    int wakeFd_ = -1;
    std::atomic<bool> stopping_{false};
    mutable std::mutex linkMutex_;  // the link closes on this thread when unplugged, on others when stopped
    std::thread thread_;
};

}  // namespace kv275sim
