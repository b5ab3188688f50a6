#pragma once
// Tiltview's own serial port: open by number, the fixed line settings, and
// writes and reads that switch the bus adapter's direction with RTS and DTR.
// Every operation returns 0 or an errno value.

#include "platform/serial_device.h"

#include <cstdint>
#include <memory>

// The line settings Configure applies; the dialog never changes them and the
// settings file does not hold them. With these a read of 16 bytes ends at the
// latest 2 x 16 + 100 = 132 ms after it began.
struct PortSettings {
    uint32_t BaudRate = 9600;
    uint8_t ByteSize = 8;
    uint8_t Parity = platform::NOPARITY;
    uint8_t StopBits = platform::ONESTOPBIT;
    uint32_t ReadIntervalTimeout = 10;
    uint32_t ReadTotalTimeoutMultiplier = 2;
    uint32_t ReadTotalTimeoutConstant = 100;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
    uint8_t directionControl = 1;  // 1: switch RTS and DTR around every write and read
};

class CPortLink {
public:
    static constexpr int kFirstPort = 1;
    static constexpr int kLastPort = 8;

    CPortLink() = default;
    ~CPortLink();  // closes an open port
    CPortLink(const CPortLink&) = delete;
    CPortLink& operator=(const CPortLink&) = delete;

    // Opens "COM%d". A number outside 1 to 8 gives ENODEV; a link that is
    // open already gives EBUSY and keeps its device.
    uint32_t Open(int8_t portNumber);
    // A failed close leaves the port open (and usable), as the device does.
    uint32_t Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // These four do nothing and return 0 while the port is not open.
    uint32_t GetDCB(platform::DeviceControlBlock& dcb);
    uint32_t SetDCB(const platform::DeviceControlBlock& dcb);
    uint32_t GetTimeouts(platform::CommTimeouts& timeouts);
    uint32_t SetTimeouts(const platform::CommTimeouts& timeouts);

    // Applies the settings and takes their direction control.
    uint32_t Configure(const PortSettings& settings);
    // Sends a zero-terminated text. A short write is told in a box and still
    // counts as success. EBADF on a closed port.
    uint32_t Write(const char* text);
    // Reads at most count bytes and puts two zero bytes after what came, so
    // the buffer must hold count + 2 bytes. EBADF on a closed port.
    uint32_t Read(char* buffer, uint32_t count);

private:
    uint8_t directionControl_ = 0;
    std::unique_ptr<platform::SerialDevice> handle_;
};
