#include "sim/line_timing.h"

#include <array>
#include <utility>

namespace kv275sim {
namespace {

constexpr std::array<std::pair<speed_t, unsigned>, 30> kSpeeds{{
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},         {B150, 150},
    {B200, 200},         {B300, 300},         {B600, 600},         {B1200, 1200},       {B1800, 1800},
    {B2400, 2400},       {B4800, 4800},       {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
    {B57600, 57600},     {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
    {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000},
}};

}  // namespace

Nanos LineTiming::byteTime() const {
    const unsigned rate = baud > 0 ? baud : 9600;
    return static_cast<Nanos>(bitsPerByte) * kNanosPerSecond / rate;
}

unsigned baudFromSpeed(speed_t speed) {
    for (const auto& [code, rate] : kSpeeds) {
        if (code == speed) return rate;
    }
    return 0;
}

speed_t speedFromBaud(unsigned baud) {
    for (const auto& [code, rate] : kSpeeds) {
        if (rate == baud) return code;
    }
    return B0;
}

LineTiming lineTimingFrom(const termios& settings, unsigned fallbackBaud) {
    LineTiming t;
    const unsigned rate = baudFromSpeed(cfgetospeed(&settings));
    t.baud = rate != 0 ? rate : fallbackBaud;
    unsigned dataBits = 8;
    switch (settings.c_cflag & CSIZE) {
    case CS5: dataBits = 5; break;
    case CS6: dataBits = 6; break;
    case CS7: dataBits = 7; break;
    default: dataBits = 8; break;
    }
    t.bitsPerByte = 1 + dataBits + ((settings.c_cflag & PARENB) ? 1 : 0) + ((settings.c_cflag & CSTOPB) ? 2 : 1);
    return t;
}

LineTiming readLineTiming(int fd, unsigned fallbackBaud) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        LineTiming t;
        t.baud = fallbackBaud;
        return t;
    }
    return lineTimingFrom(settings, fallbackBaud);
}

}  // namespace kv275sim
