#pragma once
// The device-control block in terms of termios: rate, character format and
// flow control. Pure functions, so the mapping is checked without a port.

#include "platform/serial_device.h"

#include <termios.h>

namespace platform {

// The speed constant for a bit rate; false for a rate termios has no
// constant for (including 0, which would hang the line up).
bool speedForBaudRate(uint32_t baudRate, speed_t& speed);
// The bit rate of a speed constant; 0 when it is not one of ours.
uint32_t baudRateForSpeed(speed_t speed);

// Raw mode, no flow control, reads that return as soon as a byte is there;
// rate and character format stay as they are. A port looks like this right
// after it is opened, whatever a terminal program left on it.
void makeRaw(termios& tio);

// Puts the block's rate, character format and flow control into `tio` (in
// raw mode). Returns EINVAL for a rate, data-bit count, parity code or
// stop-bit code the line cannot have, and leaves `tio` untouched then.
int applyBlock(const DeviceControlBlock& dcb, termios& tio);

// The block `tio` describes. Fields termios does not hold (line control,
// limits, the error and event characters) come from `base`, and so does the
// difference between one and a half and two stop bits.
DeviceControlBlock blockFromTermios(const termios& tio, const DeviceControlBlock& base);

// Whether the line read back as `actual` has the rate, character format
// and flow control of `wanted`. A pseudo-terminal always has 8 data bits and
// no parity, and that is no fault.
bool sameLine(const termios& wanted, const termios& actual, bool pseudoTerminal);

}  // namespace platform
