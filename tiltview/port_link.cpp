#include "tiltview/port_link.h"

#include "platform/message_box.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

CPortLink::~CPortLink() {
    if (IsOpen()) Close();
}

uint32_t CPortLink::Open(int8_t portNumber) {
    // Opening over a live device (one whose close failed) would drop it
    // while the dialog still counts on it: it stays, and is used as it is.
    if (IsOpen()) return EBUSY;
    if (portNumber < kFirstPort || portNumber > kLastPort) return ENODEV;
    char name[16];
    std::snprintf(name, sizeof name, "COM%d", static_cast<int>(portNumber));
    int err = 0;
    handle_ = platform::openSerialDevice(name, err);
    if (!handle_) return static_cast<uint32_t>(err ? err : EIO);
    return 0;
}

uint32_t CPortLink::Close() {
    if (!IsOpen()) return 0;
    if (const int err = handle_->close()) return static_cast<uint32_t>(err);
    // The device object is finished after a successful close.
    handle_.reset();
    return 0;
}

uint32_t CPortLink::GetDCB(platform::DeviceControlBlock& dcb) {
    return IsOpen() ? static_cast<uint32_t>(handle_->getState(dcb)) : 0;
}

uint32_t CPortLink::SetDCB(const platform::DeviceControlBlock& dcb) {
    return IsOpen() ? static_cast<uint32_t>(handle_->setState(dcb)) : 0;
}

uint32_t CPortLink::GetTimeouts(platform::CommTimeouts& timeouts) {
    return IsOpen() ? static_cast<uint32_t>(handle_->getTimeouts(timeouts)) : 0;
}

uint32_t CPortLink::SetTimeouts(const platform::CommTimeouts& timeouts) {
    return IsOpen() ? static_cast<uint32_t>(handle_->setTimeouts(timeouts)) : 0;
}

uint32_t CPortLink::Configure(const PortSettings& settings) {
    platform::DeviceControlBlock dcb;
    if (const uint32_t code = GetDCB(dcb)) return code;
    platform::CommTimeouts timeouts;
    if (const uint32_t code = GetTimeouts(timeouts)) return code;

    dcb.DCBlength = 28;
    dcb.BaudRate = settings.BaudRate;
    dcb.ByteSize = settings.ByteSize;
    dcb.Parity = settings.Parity;
    dcb.StopBits = settings.StopBits;
    timeouts.ReadIntervalTimeout = settings.ReadIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = settings.ReadTotalTimeoutMultiplier;
    timeouts.ReadTotalTimeoutConstant = settings.ReadTotalTimeoutConstant;
    timeouts.WriteTotalTimeoutMultiplier = settings.WriteTotalTimeoutMultiplier;
    timeouts.WriteTotalTimeoutConstant = settings.WriteTotalTimeoutConstant;

    // The program moves RTS and DTR itself to turn the adapter, so the driver
    // must neither drive them nor wait for DSR; CTS flow stays as it was.
    if (settings.directionControl == 1)
        dcb.flags &= ~(platform::dcbflags::OutxDsrFlow | platform::dcbflags::DtrControlMask |
                       platform::dcbflags::RtsControlMask);
    directionControl_ = settings.directionControl;

    if (const uint32_t code = SetDCB(dcb)) return code;
    return SetTimeouts(timeouts);
}

uint32_t CPortLink::Write(const char* text) {
    if (!IsOpen()) return EBADF;
    // Turn the adapter to sending. A pseudo-terminal refuses the modem
    // lines, which does no harm, so the results are not looked at.
    if (directionControl_ == 1) {
        handle_->escape(platform::Escape::CLRDTR);
        handle_->escape(platform::Escape::SETRTS);
    }
    const uint32_t n = text ? static_cast<uint32_t>(std::strlen(text)) : 0;
    if (n == 0) return 0;
    uint32_t written = 0;
    if (const int err = handle_->write(reinterpret_cast<const uint8_t*>(text), n, written))
        return static_cast<uint32_t>(err);
    // The box runs a message loop in which a tick may close this link: the
    // device is not touched after it.
    if (written < n)
        platform::MessageBox(nullptr, "Nicht alle Daten wurden gesendet.", "BOLU Message",
                             platform::MsgIcon::Information, platform::MsgButtons::Ok);
    return 0;
}

uint32_t CPortLink::Read(char* buffer, uint32_t count) {
    if (!buffer) return EINVAL;
    uint32_t got = 0;
    int err = EBADF;
    if (IsOpen()) {
        // Turn the adapter to listening before the reply can come.
        if (directionControl_ == 1) {
            handle_->escape(platform::Escape::CLRRTS);
            handle_->escape(platform::Escape::SETDTR);
        }
        err = handle_->read(reinterpret_cast<uint8_t*>(buffer), count, got);
        if (got > count) got = count;  // never trust a device to stay inside the buffer
    }
    buffer[got] = 0;
    buffer[got + 1] = 0;
    return static_cast<uint32_t>(err);
}
