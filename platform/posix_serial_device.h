#pragma once
// The real serial device on termios and poll().

#include "platform/serial_device.h"
#include "platform/serial_timeouts.h"

namespace platform {

class PosixSerialDevice final : public SerialDevice {
public:
    // Opens `path` exclusively; nullptr and err on failure (EBUSY when taken,
    // ENOTTY when the path is not a terminal device).
    static std::unique_ptr<SerialDevice> open(const std::string& path, int& err);
    ~PosixSerialDevice() override;
    PosixSerialDevice(const PosixSerialDevice&) = delete;
    PosixSerialDevice& operator=(const PosixSerialDevice&) = delete;

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
    int setLowLatency(bool on, bool& previous) override;

private:
    PosixSerialDevice(int fd, bool pseudoTerminal);
    void applyLineControl(const DeviceControlBlock& dcb);
    // The rate and character format the line has now.
    DeviceControlBlock lineNow() const;
    void release();

    int fd_ = -1;
    CommTimeouts timeouts_ = kOpeningTimeouts;
    // What the last accepted block asked for; getState fills in the rest
    // from the line as it is.
    DeviceControlBlock block_{};
    // Recognised at open, or learnt from ENOTTY of the modem-line calls.
    bool pseudoTerminal_ = false;
    // A write without a time-out of its own found no room for the whole of
    // its limit; cleared once a write goes through.
    bool stalled_ = false;
};

}  // namespace platform
