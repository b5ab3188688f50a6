#pragma once
// The real serial device on termios and poll().

#include "platform/serial_device.h"

namespace platform {

class PosixSerialDevice final : public SerialDevice {
public:
    // Opens `path` exclusively; nullptr and err on failure (EBUSY when taken).
    static std::unique_ptr<SerialDevice> open(const std::string& path, int& err);
    ~PosixSerialDevice() override;

    int close() override;
    int getState(DeviceControlBlock& dcb) override;
    int setState(const DeviceControlBlock& dcb) override;
    int getTimeouts(CommTimeouts& t) override;
    int setTimeouts(const CommTimeouts& t) override;
    int escape(Escape function) override;
    int write(const uint8_t* data, uint32_t count, uint32_t& written) override;
    int read(uint8_t* buffer, uint32_t count, uint32_t& got) override;
    int purge() override;
    int drain() override;

private:
    explicit PosixSerialDevice(int fd);
    int fd_ = -1;
    CommTimeouts timeouts_{};
    bool modemLinesRefused_ = false;  // ENOTTY from the modem-line calls: a pseudo-terminal
};

}  // namespace platform
