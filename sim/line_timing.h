#pragma once
// How long one byte takes on the line: read from the terminal settings that
// the tool on the other side has made, so the simulator follows its baud rate.

#include "sim/monotonic_time.h"

#include <termios.h>

namespace kv275sim {

struct LineTiming {
    unsigned baud = 9600;
    unsigned bitsPerByte = 10;  // start bit, data bits, parity bit, stop bits

    Nanos byteTime() const;
};

// The rate a termios speed code stands for; 0 for B0 or an unknown code.
unsigned baudFromSpeed(speed_t speed);
// The termios speed code for a rate; B0 when there is none.
speed_t speedFromBaud(unsigned baud);

// Timing from termios settings; `fallbackBaud` when they carry no rate.
LineTiming lineTimingFrom(const termios& settings, unsigned fallbackBaud);

// Timing of the terminal behind `fd` (a pseudo-terminal master reports its
// slave's settings); `fallbackBaud` with 10 bits a byte when unreadable.
LineTiming readLineTiming(int fd, unsigned fallbackBaud);

}  // namespace kv275sim
