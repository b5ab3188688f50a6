#include "sim/in_process_bus.h"

#include "platform/serial_device.h"
#include "platform/serial_timeouts.h"
#include "platform/tick_counter.h"
#include "sim/line_timing.h"
#include "sim/request_parser.h"

#include <cerrno>
#include <stdexcept>

namespace kv275sim {

struct InProcessBus::Line {
    std::string name;
    bool open = false;
    platform::DeviceControlBlock dcb;
    platform::CommTimeouts timeouts = platform::kOpeningTimeouts;
    RequestParser parser;
    LastAnswer last;
    Bytes input;  // answered, not yet read
};

namespace {

class InProcessDevice final : public platform::SerialDevice {
public:
    InProcessDevice(InProcessBus::Line& line, SensorBus& bus, int64_t& nowNs) : line_(line), bus_(bus), nowNs_(nowNs) {}

    int close() override {
        line_.open = false;
        return 0;
    }
    int getState(platform::DeviceControlBlock& dcb) override {
        dcb = line_.dcb;
        return 0;
    }
    int setState(const platform::DeviceControlBlock& dcb) override {
        line_.dcb = dcb;
        return 0;
    }
    int getTimeouts(platform::CommTimeouts& t) override {
        t = line_.timeouts;
        return 0;
    }
    int setTimeouts(const platform::CommTimeouts& t) override {
        line_.timeouts = t;
        return 0;
    }
    // As on a pseudo-terminal, the modem lines are not there to move.
    int escape(platform::Escape) override { return ENOTTY; }

    int write(const uint8_t* data, uint32_t count, uint32_t& written) override {
        for (uint32_t i = 0; i < count; ++i) {
            nowNs_ += byteTimeNs();
            const auto request = line_.parser.feed(data[i]);
            if (!request) continue;
            const Answer answer = bus_.handle(*request, line_.last, static_cast<double>(nowNs_) / kNanosPerSecond);
            line_.input.insert(line_.input.end(), answer.bytes.begin(), answer.bytes.end());
        }
        written = count;
        return 0;
    }

    int read(uint8_t* buffer, uint32_t count, uint32_t& got) override {
        platform::ReadTimer timer(line_.timeouts, count, nowNs_);
        got = 0;
        while (got < count && !line_.input.empty()) {
            buffer[got++] = line_.input.front();
            line_.input.erase(line_.input.begin());
        }
        nowNs_ += static_cast<int64_t>(got) * byteTimeNs();
        if (got < count) {
            if (got > 0) timer.bytesArrived(got, nowNs_);
            while (!timer.expired(nowNs_)) nowNs_ += int64_t{timer.pollTimeoutMs(nowNs_)} * kNanosPerMilli;
        }
        return 0;
    }

    int purge() override {
        line_.input.clear();
        return 0;
    }
    int drain() override { return 0; }

private:
    int64_t byteTimeNs() const {
        const platform::DeviceControlBlock& d = line_.dcb;
        LineTiming timing;
        timing.baud = d.BaudRate;
        timing.bitsPerByte = 1u + d.ByteSize + (d.Parity != platform::NOPARITY ? 1u : 0u) +
                             (d.StopBits == platform::ONESTOPBIT ? 1u : 2u);
        return timing.byteTime();
    }

    InProcessBus::Line& line_;
    SensorBus& bus_;
    int64_t& nowNs_;
};

}  // namespace

InProcessBus::InProcessBus(SimulatorOptions options) : options_(std::move(options)) {
    const std::string problem = validate(options_);
    if (!problem.empty()) throw std::invalid_argument(problem);
    bus_ = std::make_unique<SensorBus>(options_.sensors, options_.faults, options_.seed);
    bus_->setMinusApart(options_.minusApart);
    for (const VariablePreset& v : options_.variables) {
        const auto sensor = bus_->findSensor(v.address);
        if (!sensor) throw std::invalid_argument("no simulated sensor at address " + std::to_string(v.address));
        bus_->setVariable(*sensor, v.variable, v.value);
    }
    for (const std::string& name : options_.ports) {
        lines_.push_back(std::make_unique<Line>());
        lines_.back()->name = name;
        lines_.back()->dcb.BaudRate = options_.baud;
    }
    platform::setTickSource([this] {
        const auto ticks = static_cast<uint32_t>(nowNs_ / kNanosPerMilli);
        nowNs_ += kNanosPerMilli;
        return ticks;
    });
    platform::setSerialOpener([this](const std::string& name, int& err) -> std::unique_ptr<platform::SerialDevice> {
        for (auto& line : lines_) {
            if (line->name != name) continue;
            if (line->open) {
                err = EBUSY;
                return nullptr;
            }
            line->open = true;
            line->timeouts = platform::kOpeningTimeouts;
            line->input.clear();
            return std::make_unique<InProcessDevice>(*line, *bus_, nowNs_);
        }
        err = ENOENT;
        return nullptr;
    });
}

InProcessBus::~InProcessBus() {
    platform::setSerialOpener({});
    platform::setTickSource({});
}

double InProcessBus::elapsedSeconds() const { return static_cast<double>(nowNs_) / kNanosPerSecond; }

void InProcessBus::passTime(double seconds) {
    if (seconds > 0) nowNs_ += static_cast<int64_t>(seconds * kNanosPerSecond);
}

}  // namespace kv275sim
