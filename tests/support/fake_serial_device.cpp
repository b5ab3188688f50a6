#include "tests/support/fake_serial_device.h"

#include "platform/serial_timeouts.h"
#include "tests/support/fake_clock.h"

#include <cerrno>
#include <cstdio>

namespace testsupport {
namespace {

class FakeSerialDevice final : public platform::SerialDevice {
public:
    explicit FakeSerialDevice(FakeSerialLine& line) : line_(line) {}

    int close() override {
        const int err = line_.fault("close");
        line_.record("close", err);
        if (!err) line_.isOpen = false;
        return err;
    }
    int getState(platform::DeviceControlBlock& dcb) override {
        const int err = line_.fault("getState");
        line_.record("getState", err);
        if (!err) dcb = line_.dcb;
        return err;
    }
    int setState(const platform::DeviceControlBlock& dcb) override {
        const int err = line_.fault("setState");
        line_.record("setState", err);
        if (!err) line_.dcb = dcb;
        return err;
    }
    int getTimeouts(platform::CommTimeouts& t) override {
        const int err = line_.fault("getTimeouts");
        line_.record("getTimeouts", err);
        if (!err) t = line_.timeouts;
        return err;
    }
    int setTimeouts(const platform::CommTimeouts& t) override {
        const int err = line_.fault("setTimeouts");
        line_.record("setTimeouts", err);
        if (!err) line_.timeouts = t;
        return err;
    }
    int escape(platform::Escape function) override {
        const char* name = "?";
        switch (function) {
        case platform::Escape::SETRTS: name = "SETRTS"; break;
        case platform::Escape::CLRRTS: name = "CLRRTS"; break;
        case platform::Escape::SETDTR: name = "SETDTR"; break;
        case platform::Escape::CLRDTR: name = "CLRDTR"; break;
        }
        int err = line_.fault("escape");
        if (!err) err = line_.modemLineError;
        line_.record(name, err);
        if (!err) {
            if (function == platform::Escape::SETRTS) line_.rts = true;
            if (function == platform::Escape::CLRRTS) line_.rts = false;
            if (function == platform::Escape::SETDTR) line_.dtr = true;
            if (function == platform::Escape::CLRDTR) line_.dtr = false;
        }
        return err;
    }
    int write(const uint8_t* data, uint32_t count, uint32_t& written) override {
        written = 0;
        const int err = line_.fault("write");
        const uint32_t n = count < line_.writeLimit ? count : line_.writeLimit;
        const std::string bytes(reinterpret_cast<const char*>(data), err ? 0 : n);
        line_.record("write " + hexBytes(bytes), err);
        if (err) return err;
        written = n;
        line_.written += bytes;
        if (line_.responder) line_.input += line_.responder(bytes);
        return 0;
    }
    int read(uint8_t* buffer, uint32_t count, uint32_t& got) override {
        got = 0;
        const int err = line_.fault("read");
        if (!err) {
            const size_t take = line_.input.size() < count ? line_.input.size() : count;
            for (size_t i = 0; i < take; ++i) buffer[i] = static_cast<uint8_t>(line_.input[i]);
            line_.input.erase(0, take);
            got = static_cast<uint32_t>(take);
            if (got < count && line_.clock()) line_.clock()->advance(timeoutSpent(count, got));
        }
        line_.record("read " + std::to_string(count) + " got " + std::to_string(got), err);
        return err;
    }
    int purge() override {
        const int err = line_.fault("purge");
        line_.record("purge", err);
        if (!err) line_.input.clear();
        return err;
    }
    int drain() override {
        const int err = line_.fault("drain");
        line_.record("drain", err);
        return err;
    }
    int setLowLatency(bool on, bool& previous) override {
        int err = line_.fault("lowLatency");
        if (!err) err = line_.lowLatencyError;
        line_.latencyLog.push_back(std::string(on ? "on" : "off") + (err ? " -> E" + std::to_string(err) : ""));
        previous = line_.lowLatency;
        if (!err) line_.lowLatency = on;
        return err;
    }

private:
    // How long a read that came up short waited before its time-out ended it.
    uint32_t timeoutSpent(uint32_t count, uint32_t got) const {
        const platform::CommTimeouts& t = line_.timeouts;
        const uint64_t asked = uint64_t{t.ReadTotalTimeoutMultiplier} * count + t.ReadTotalTimeoutConstant;
        const bool totalOn = t.ReadTotalTimeoutMultiplier || t.ReadTotalTimeoutConstant;
        // As on the real device: no read waits longer than the platform's cap.
        const uint32_t total = totalOn && asked < platform::kLongestReadMs ? static_cast<uint32_t>(asked)
                                                                           : platform::kLongestReadMs;
        if (got > 0 && t.ReadIntervalTimeout) {
            const uint64_t interval = uint64_t{t.ReadIntervalTimeout} + 1;
            return interval < total ? static_cast<uint32_t>(interval) : total;
        }
        return total;
    }
    FakeSerialLine& line_;
};

}  // namespace

FakeSerialLine::FakeSerialLine(FakeClock* clock) : clock_(clock) {}

FakeSerialLine::~FakeSerialLine() { platform::setSerialOpener({}); }

void FakeSerialLine::install() {
    platform::setSerialOpener([this](const std::string& name, int& err) -> std::unique_ptr<platform::SerialDevice> {
        err = vanished ? EIO : openError;
        if (!err) err = fault("open");
        if (!err && isOpen) err = EBUSY;
        record("open " + name, err);
        if (err) return nullptr;
        isOpen = true;
        timeouts = platform::kOpeningTimeouts;
        input.clear();  // as the real device: a port starts with nothing to read
        ++openCount;
        openedName = name;
        return std::make_unique<FakeSerialDevice>(*this);
    });
}

std::vector<std::string> FakeSerialLine::traffic() const {
    std::vector<std::string> out;
    for (const std::string& entry : log)
        if (entry.rfind("write", 0) == 0 || entry.rfind("read", 0) == 0 || entry == "purge" || entry == "drain")
            out.push_back(entry);
    return out;
}

int FakeSerialLine::fault(const std::string& op) {
    if (vanished) return EIO;
    auto once = failNext.find(op);
    if (once != failNext.end()) {
        const int err = once->second;
        failNext.erase(once);
        return err;
    }
    auto always = failAlways.find(op);
    return always != failAlways.end() ? always->second : 0;
}

void FakeSerialLine::record(const std::string& entry, int err) {
    log.push_back(err ? entry + " -> E" + std::to_string(err) : entry);
}

std::string hexBytes(const std::string& bytes) {
    std::string out;
    char part[4];
    for (unsigned char c : bytes) {
        std::snprintf(part, sizeof part, out.empty() ? "%02X" : " %02X", c);
        out += part;
    }
    return out;
}

}  // namespace testsupport
