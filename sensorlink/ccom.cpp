#include "sensorlink/ccom.h"

#include "platform/message_box.h"
#include "platform/system_error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

std::string ComErrorOperation;

namespace {

// The operation name keeps at most this many characters, like the fixed text
// it stands for.
constexpr size_t kMaxOperationName = 255;

uint32_t fail(const char* operation, int code) {
    ComErrorOperation.assign(operation, std::min(std::strlen(operation), kMaxOperationName));
    return static_cast<uint32_t>(code);
}

// Bus ports are COM1 to COM4; anything else comes from a hand-edited settings
// file and must not reach a device (nor the program's table of port marks).
constexpr int kFirstPort = 1;
constexpr int kLastPort = 4;

}  // namespace

CCom::CCom() = default;

CCom::~CCom() {
    if (isOpen) Close();
}

uint32_t CCom::Open(int8_t portNumber) {
    char name[16];
    std::snprintf(name, sizeof name, "COM%d", static_cast<int>(portNumber));
    if (portNumber < kFirstPort || portNumber > kLastPort) {
        handle.reset();
        isOpen = false;
        return fail("CCom.Open", ENODEV);
    }
    int err = 0;
    handle = platform::openSerialDevice(name, err);
    if (!handle) {
        isOpen = false;
        return fail("CCom.Open", err ? err : EIO);
    }
    isOpen = true;
    return 0;
}

uint32_t CCom::Close() {
    if (!isOpen) return 0;
    const int err = handle ? handle->close() : 0;
    if (err) {
        isOpen = true;
        return fail("CCom.Close", err);
    }
    // The device object is finished after a successful close; dropping it
    // makes any later Write or Read report EBADF instead of using it.
    handle.reset();
    isOpen = false;
    return 0;
}

uint32_t CCom::GetDCB(platform::DeviceControlBlock& dcb) {
    if (!isOpen || !handle) return 0;
    const int err = handle->getState(dcb);
    return err ? fail("CCom.GetDCB", err) : 0;
}

uint32_t CCom::SetDCB(const platform::DeviceControlBlock& dcb) {
    if (!isOpen || !handle) return 0;
    const int err = handle->setState(dcb);
    return err ? fail("CCom.SetDCB", err) : 0;
}

uint32_t CCom::GetTimeouts(platform::CommTimeouts& timeouts) {
    if (!isOpen || !handle) return 0;
    const int err = handle->getTimeouts(timeouts);
    return err ? fail("CCom.GetTimeouts", err) : 0;
}

uint32_t CCom::SetTimeouts(const platform::CommTimeouts& timeouts) {
    if (!isOpen || !handle) return 0;
    const int err = handle->setTimeouts(timeouts);
    return err ? fail("CCom.SetTimeouts", err) : 0;
}

uint32_t CCom::SetComParameters(const ComParameters& p) {
    platform::DeviceControlBlock dcb;
    if (const uint32_t code = GetDCB(dcb)) return code;
    platform::CommTimeouts timeouts;
    if (const uint32_t code = GetTimeouts(timeouts)) return code;

    dcb.DCBlength = 28;
    dcb.BaudRate = p.BaudRate;
    dcb.ByteSize = p.ByteSize;
    dcb.Parity = p.Parity;
    dcb.StopBits = p.StopBits;
    timeouts.ReadIntervalTimeout = p.ReadIntervalTimeout;
    timeouts.ReadTotalTimeoutMultiplier = p.ReadTotalTimeoutMultiplier;
    timeouts.ReadTotalTimeoutConstant = p.ReadTotalTimeoutConstant;
    timeouts.WriteTotalTimeoutMultiplier = p.WriteTotalTimeoutMultiplier;
    timeouts.WriteTotalTimeoutConstant = p.WriteTotalTimeoutConstant;

    // The program moves RTS and DTR itself to switch the bus adapter, so the
    // driver must neither drive them nor wait for DSR.
    if (directionControl)
        dcb.flags &= ~(platform::dcbflags::OutxDsrFlow | platform::dcbflags::DtrControlMask |
                       platform::dcbflags::RtsControlMask);

    if (const uint32_t code = SetDCB(dcb)) return code;
    return SetTimeouts(timeouts);
}

uint32_t CCom::Write(const char* text) {
    // Switch the adapter to sending; a pseudo-terminal refuses the modem
    // lines, which does not matter, so the results are not looked at.
    if (directionControl && handle) {
        handle->escape(platform::Escape::CLRDTR);
        handle->escape(platform::Escape::SETRTS);
    }
    if (!handle) return fail("CCom.Write", EBADF);
    const uint32_t n = text ? static_cast<uint32_t>(std::strlen(text)) : 0;
    if (n == 0) return 0;
    uint32_t written = 0;
    const int err = handle->write(reinterpret_cast<const uint8_t*>(text), n, written);
    if (err) return fail("CCom.Write", err);
    if (written != n)
        platform::MessageBox(nullptr, "Data was only partially send.", "COM Message", platform::MsgIcon::Information,
                             platform::MsgButtons::Ok);
    return 0;
}

uint32_t CCom::Read(char* buffer, uint32_t count) {
    if (!buffer) return fail("CCom.Read", EINVAL);
    // Switch the adapter to listening before the reply can come.
    if (directionControl && handle) {
        handle->escape(platform::Escape::CLRRTS);
        handle->escape(platform::Escape::SETDTR);
    }
    uint32_t got = 0;
    int err = EBADF;
    if (handle) {
        err = handle->read(reinterpret_cast<uint8_t*>(buffer), count, got);
        if (got > count) got = count;  // never trust a device to stay inside the buffer
    }
    // Callers measure the reply as a text; the second zero keeps the
    // two-byte terminator every received text carries.
    buffer[got] = 0;
    buffer[got + 1] = 0;
    return err ? fail("CCom.Read", err) : 0;
}

uint32_t CCom::PurgeComm() { return handle ? static_cast<uint32_t>(handle->purge()) : EBADF; }

uint32_t CCom::FlushFileBuffers() { return handle ? static_cast<uint32_t>(handle->drain()) : EBADF; }

bool ShowComError(uint32_t code) {
    if (code == 0) return true;
    const std::string description = platform::systemErrorText(static_cast<int>(code));
    const std::string text = ComErrorOperation.empty()
                                 ? description
                                 : ComErrorOperation.substr(0, kMaxOperationName) + ":" + description;
    platform::MessageBox(nullptr, text, kComErrorTitle, platform::MsgIcon::Error, platform::MsgButtons::Ok);
    return false;
}
