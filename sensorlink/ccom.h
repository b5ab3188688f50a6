#pragma once
// The serial port of the bus tools. Every operation returns 0 or the system's
// error code and leaves the failed operation's name in ComErrorOperation;
// callers hand each code to ShowComError.

#include "platform/serial_device.h"
#include "sensorlink/com_parameters.h"

#include <cstdint>
#include <memory>
#include <string>

// Name of the last failed CCom operation ("CCom.Open", ...); program-wide,
// never cleared, at most 255 characters.
extern std::string ComErrorOperation;

class CCom {
public:
    CCom();
    ~CCom();  // closes an open port silently
    CCom(const CCom&) = delete;
    CCom& operator=(const CCom&) = delete;

    uint32_t Open(int8_t portNumber);
    uint32_t Close();
    uint32_t GetDCB(platform::DeviceControlBlock& dcb);
    uint32_t SetDCB(const platform::DeviceControlBlock& dcb);
    uint32_t GetTimeouts(platform::CommTimeouts& timeouts);
    uint32_t SetTimeouts(const platform::CommTimeouts& timeouts);
    uint32_t SetComParameters(const ComParameters& p);
    // Sends a zero-terminated text (a zero byte can never be sent).
    uint32_t Write(const char* text);
    // Reads up to count bytes; always puts two zero bytes after what came,
    // so the buffer must hold count + 2 bytes.
    uint32_t Read(char* buffer, uint32_t count);
    bool IsOpen() const { return isOpen; }

protected:
    // Direct calls on the device for the session: purge both directions and
    // flush output to the line. Results are codes; no name is recorded.
    uint32_t PurgeComm();
    uint32_t FlushFileBuffers();

    bool isOpen = false;
    bool directionControl = false;
    std::unique_ptr<platform::SerialDevice> handle;
};

// The title of ShowComError's box: a box under it names a failed port
// operation in the system's words.
inline constexpr const char* kComErrorTitle = "Error";

// Shows a CCom error code as "%s:%s" (operation, system text) under
// kComErrorTitle. Returns true for code 0 (nothing shown), false otherwise.
bool ShowComError(uint32_t code);
