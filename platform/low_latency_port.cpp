#include "platform/low_latency_port.h"

namespace platform {
namespace {

class LowLatencyPort final : public SerialDevice {
public:
    explicit LowLatencyPort(std::unique_ptr<SerialDevice> device) : device_(std::move(device)) {
        bool wasOn = false;
        // Left as the driver had it when it was on already, or when it refused.
        restore_ = device_->setLowLatency(true, wasOn) == 0 && !wasOn;
    }
    ~LowLatencyPort() override { putBack(); }

    int close() override {
        putBack();
        return device_->close();
    }
    int getState(DeviceControlBlock& dcb) override { return device_->getState(dcb); }
    int setState(const DeviceControlBlock& dcb) override { return device_->setState(dcb); }
    int getTimeouts(CommTimeouts& t) override { return device_->getTimeouts(t); }
    int setTimeouts(const CommTimeouts& t) override { return device_->setTimeouts(t); }
    int escape(Escape function) override { return device_->escape(function); }
    int write(const uint8_t* data, uint32_t count, uint32_t& written) override {
        return device_->write(data, count, written);
    }
    int read(uint8_t* buffer, uint32_t count, uint32_t& got) override { return device_->read(buffer, count, got); }
    int purge() override { return device_->purge(); }
    int drain() override { return device_->drain(); }
    int setLowLatency(bool on, bool& previous) override { return device_->setLowLatency(on, previous); }

private:
    void putBack() {
        if (!restore_) return;
        restore_ = false;
        bool ignored = false;
        device_->setLowLatency(false, ignored);  // a device gone meanwhile has nothing to put back
    }

    std::unique_ptr<SerialDevice> device_;
    bool restore_ = false;
};

}  // namespace

std::unique_ptr<SerialDevice> withLowLatency(std::unique_ptr<SerialDevice> device) {
    if (!device) return device;
    return std::make_unique<LowLatencyPort>(std::move(device));
}

}  // namespace platform
