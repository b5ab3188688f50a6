#include "platform/serial_line_settings.h"

#include <cerrno>
#include <iterator>

namespace platform {
namespace {

struct SpeedEntry {
    uint32_t rate;
    speed_t speed;
};

constexpr SpeedEntry kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},         {134, B134},         {150, B150},
    {200, B200},       {300, B300},       {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},       {19200, B19200},     {38400, B38400},
#ifdef B57600
    {57600, B57600},
#endif
#ifdef B115200
    {115200, B115200},
#endif
#ifdef B230400
    {230400, B230400},
#endif
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

#ifdef CMSPAR
constexpr tcflag_t kStickParity = CMSPAR;
#else
constexpr tcflag_t kStickParity = 0;
#endif
#ifdef CRTSCTS
constexpr tcflag_t kHardwareFlow = CRTSCTS;
#else
constexpr tcflag_t kHardwareFlow = 0;
#endif

constexpr tcflag_t kFormatBits = CSIZE | PARENB | PARODD | kStickParity | CSTOPB;

bool sizeFlag(uint8_t byteSize, tcflag_t& flag) {
    switch (byteSize) {
    case 5: flag = CS5; return true;
    case 6: flag = CS6; return true;
    case 7: flag = CS7; return true;
    case 8: flag = CS8; return true;
    default: return false;
    }
}

bool parityFlags(uint8_t parity, tcflag_t& flags) {
    switch (parity) {
    case NOPARITY: flags = 0; return true;
    case ODDPARITY: flags = PARENB | PARODD; return true;
    case EVENPARITY: flags = PARENB; return true;
    // Mark and space are "stick" parity: the parity bit is always 1 or 0.
    case MARKPARITY: flags = PARENB | PARODD | kStickParity; return kStickParity != 0;
    case SPACEPARITY: flags = PARENB | kStickParity; return kStickParity != 0;
    default: return false;
    }
}

bool stopFlag(uint8_t stopBits, tcflag_t& flag) {
    switch (stopBits) {
    case ONESTOPBIT: flag = 0; return true;
    // termios knows only one or two; the UART sends 1.5 for two at five data bits.
    case ONE5STOPBITS:
    case TWOSTOPBITS: flag = CSTOPB; return true;
    default: return false;
    }
}

}  // namespace

bool speedForBaudRate(uint32_t baudRate, speed_t& speed) {
    for (const SpeedEntry& e : kSpeeds)
        if (e.rate == baudRate) {
            speed = e.speed;
            return true;
        }
    return false;
}

uint32_t baudRateForSpeed(speed_t speed) {
    for (const SpeedEntry& e : kSpeeds)
        if (e.speed == speed) return e.rate;
    return 0;
}

void makeRaw(termios& tio) {
    const tcflag_t format = tio.c_cflag & kFormatBits;
    cfmakeraw(&tio);
    tio.c_cflag &= ~(kFormatBits | kHardwareFlow);
    tio.c_cflag |= format | CLOCAL | CREAD;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    // Non-blocking reads under poll(): VMIN 1 and VTIME 0 make "no data" an
    // EAGAIN and keep a read of 0 for a line that hung up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

int applyBlock(const DeviceControlBlock& dcb, termios& tio) {
    speed_t speed{};
    tcflag_t size = 0, parity = 0, stop = 0;
    if (!speedForBaudRate(dcb.BaudRate, speed) || !sizeFlag(dcb.ByteSize, size) || !parityFlags(dcb.Parity, parity) ||
        !stopFlag(dcb.StopBits, stop))
        return EINVAL;

    termios t = tio;
    makeRaw(t);
    t.c_cflag &= ~kFormatBits;
    t.c_cflag |= size | parity | stop;
    if (dcb.flags & dcbflags::OutxCtsFlow) t.c_cflag |= kHardwareFlow;
    if (dcb.flags & dcbflags::OutX) t.c_iflag |= IXON;
    if (dcb.flags & dcbflags::InX) t.c_iflag |= IXOFF;
    if (dcb.flags & dcbflags::Parity) t.c_iflag |= INPCK;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    if (cfsetispeed(&t, speed) != 0 || cfsetospeed(&t, speed) != 0) return EINVAL;
    tio = t;
    return 0;
}

DeviceControlBlock blockFromTermios(const termios& tio, const DeviceControlBlock& base) {
    DeviceControlBlock b = base;
    b.DCBlength = 28;
    b.BaudRate = baudRateForSpeed(cfgetospeed(&tio));
    switch (tio.c_cflag & CSIZE) {
    case CS5: b.ByteSize = 5; break;
    case CS6: b.ByteSize = 6; break;
    case CS7: b.ByteSize = 7; break;
    default: b.ByteSize = 8; break;
    }
    const tcflag_t c = tio.c_cflag;
    if (!(c & PARENB))
        b.Parity = NOPARITY;
    else if (kStickParity && (c & kStickParity))
        b.Parity = (c & PARODD) ? MARKPARITY : SPACEPARITY;
    else
        b.Parity = (c & PARODD) ? ODDPARITY : EVENPARITY;
    if (!(c & CSTOPB))
        b.StopBits = ONESTOPBIT;
    else
        b.StopBits = base.StopBits == ONE5STOPBITS ? ONE5STOPBITS : TWOSTOPBITS;

    auto setFlag = [&b](uint32_t flag, bool on) { b.flags = on ? (b.flags | flag) : (b.flags & ~flag); };
    setFlag(dcbflags::Binary, true);  // there is no other mode
    setFlag(dcbflags::Parity, tio.c_iflag & INPCK);
    setFlag(dcbflags::OutxCtsFlow, kHardwareFlow && (c & kHardwareFlow));
    setFlag(dcbflags::OutX, tio.c_iflag & IXON);
    setFlag(dcbflags::InX, tio.c_iflag & IXOFF);
    b.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    b.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
    return b;
}

bool sameLine(const termios& wanted, const termios& actual, bool pseudoTerminal) {
    // Output speed only: drivers may report the input speed as 0, "same as output".
    if (cfgetospeed(&wanted) != cfgetospeed(&actual)) return false;
    const tcflag_t forcedOnPty = CSIZE | PARENB | PARODD | kStickParity;
    const tcflag_t cflags = (kFormatBits | kHardwareFlow) & ~(pseudoTerminal ? forcedOnPty : 0);
    const tcflag_t iflags = IXON | IXOFF | INPCK;
    return (wanted.c_cflag & cflags) == (actual.c_cflag & cflags) && (wanted.c_iflag & iflags) == (actual.c_iflag & iflags);
}

}  // namespace platform
