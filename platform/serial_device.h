#pragma once
// The one narrow seam between the tools and a serial port. The real device
// (termios + poll) and the scripted fake used by tests both implement it.
// Every operation returns 0 on success or an errno value.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Flag bits of the device-control block, laid out as the original
// device-control block's flag word so masks like 0x3038 keep their meaning.
namespace dcbflags {
constexpr uint32_t Binary = 0x0001;
constexpr uint32_t Parity = 0x0002;          // parity checking on input
constexpr uint32_t OutxCtsFlow = 0x0004;
constexpr uint32_t OutxDsrFlow = 0x0008;
constexpr uint32_t DtrControlMask = 0x0030;  // 0 disable, 0x10 enable, 0x20 handshake
constexpr uint32_t DtrControlEnable = 0x0010;
constexpr uint32_t DtrControlHandshake = 0x0020;
constexpr uint32_t DsrSensitivity = 0x0040;
constexpr uint32_t TxContinueOnXoff = 0x0080;
constexpr uint32_t OutX = 0x0100;
constexpr uint32_t InX = 0x0200;
constexpr uint32_t ErrorChar = 0x0400;
constexpr uint32_t Null = 0x0800;
constexpr uint32_t RtsControlMask = 0x3000;  // 0 disable, 0x1000 enable, 0x2000 handshake, 0x3000 toggle
constexpr uint32_t RtsControlEnable = 0x1000;
constexpr uint32_t RtsControlHandshake = 0x2000;
constexpr uint32_t AbortOnError = 0x4000;
}  // namespace dcbflags

// Parity codes.
enum : uint8_t { NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4 };
// Stop-bit codes.
enum : uint8_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };

struct DeviceControlBlock {
    uint32_t DCBlength = 28;
    uint32_t BaudRate = 9600;
    uint32_t flags = dcbflags::Binary;
    uint16_t XonLim = 0;
    uint16_t XoffLim = 0;
    uint8_t ByteSize = 8;
    uint8_t Parity = NOPARITY;
    uint8_t StopBits = ONESTOPBIT;
    char XonChar = 0x11;
    char XoffChar = 0x13;
    char ErrorChar = 0;
    char EofChar = 0;
    char EvtChar = 0;
    bool operator==(const DeviceControlBlock&) const = default;
};

struct CommTimeouts {
    uint32_t ReadIntervalTimeout = 0;
    uint32_t ReadTotalTimeoutMultiplier = 0;
    uint32_t ReadTotalTimeoutConstant = 0;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
    bool operator==(const CommTimeouts&) const = default;
};

// Modem-line functions, as the original escape function codes.
enum class Escape { SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6 };

class SerialDevice {
public:
    virtual ~SerialDevice() = default;
    // Releases the device. After a successful close the object is finished;
    // a failed close leaves it open so that the caller may try again.
    virtual int close() = 0;
    virtual int getState(DeviceControlBlock& dcb) = 0;
    virtual int setState(const DeviceControlBlock& dcb) = 0;
    virtual int getTimeouts(CommTimeouts& t) = 0;
    virtual int setTimeouts(const CommTimeouts& t) = 0;
    virtual int escape(Escape function) = 0;
    // Writes under the write time-outs; `written` receives the count sent.
    virtual int write(const uint8_t* data, uint32_t count, uint32_t& written) = 0;
    // Reads under the read time-outs; a short count at a time-out is success.
    virtual int read(uint8_t* buffer, uint32_t count, uint32_t& got) = 0;
    // Drops pending input and output (see platform notes on pseudo-terminals).
    virtual int purge() = 0;
    // Waits until everything written has left for the line.
    virtual int drain() = 0;
    // Switches the driver's low-latency mode, in which a USB adapter's driver
    // passes received bytes on at once instead of holding them for its
    // latency timer; `previous` receives the mode before. A pseudo-terminal,
    // a driver without the mode and a user without the right refuse it
    // (ENOTTY, EINVAL, EPERM), which changes nothing; a device that has no
    // such mode refuses it by default.
    virtual int setLowLatency(bool on, bool& previous);
};

// Opens the device behind a port name such as "COM1". On failure returns
// nullptr and sets err (EBUSY when another opener holds it). The device asks
// its driver for low latency as it opens and puts the driver's own setting
// back when it closes; a refusal goes unsaid.
std::unique_ptr<SerialDevice> openSerialDevice(const std::string& portName, int& err);

// The path a port name resolves to: a file or link named like the port in
// the current directory, else /dev/ttyS{n-1} for "COMn". Empty when the
// name is not of that form.
std::string resolvePortPath(const std::string& portName);

// Where the open of a port name looked, in order: the file or link of that
// name in the current directory (with where a link leads), then, when there
// is none, /dev/ttyS{n-1}. Empty when the name is not of the form "COMn".
std::vector<std::string> portPathsTried(const std::string& portName);

// One line for a port that did not open because nothing is there: what was
// tried, and the command that finds an adapter and links it as that port.
std::string portNotFoundNote(const std::string& portName);

// A failed open finding nothing (ENOENT) writes portNotFoundNote to standard
// error, after the program's name, so that a user who only sees the tool's
// message box has the next step in the terminal. On unless switched off.
void setPortNotFoundNotes(bool on);

// Tests replace the opener with one that hands out fakes; an empty function
// restores the real one.
using SerialOpener = std::function<std::unique_ptr<SerialDevice>(const std::string& portName, int& err)>;
void setSerialOpener(SerialOpener opener);

}  // namespace platform
