#pragma once
// What the setup dialog and kv275 share when they read and write a sensor's
// variables: the five variables they write and the order and pace of a write
// sequence. Both must send exactly the same, so there is one definition of
// each. The line settings of kv275's transfer are here too.

#include "sensorlink/com_parameters.h"

#include <array>
#include <cstdint>

namespace variablewrites {

constexpr int kFilterType = 24;   // V024: 1 Bessel, 2 aperiodical, 3 Butterworth, 4 Tschebyscheff
constexpr int kFilterOrder = 25;  // V025: 0 none, 1 first, 2 second
constexpr int kCutoff = 26;       // V026: cut-off frequency in 1/100 Hz
constexpr int kAddress = 63;      // V063: the bus address; writing it moves the sensor
constexpr int kDelay = 64;        // V064: serial delay

// The variables a write sends, in the order it sends them: the address last,
// so that every write of a sequence reaches the sensor where it was.
inline constexpr std::array<int, 5> kWriteOrder = {kFilterType, kFilterOrder, kCutoff, kDelay, kAddress};

// The pause before each write, which a sensor that has just acknowledged the
// last one may need.
constexpr uint32_t kPauseBeforeWriteMs = 20;

// The line settings of kv275's variable transfer at 9600 baud. Spelled out,
// not taken from ComParameters: those defaults are the scanner's (a shorter
// read interval, no write time-out), and a change there must not move these;
// KV275Setup.ini keeps defaults of its own. The read interval leaves room for
// the 1541-byte reply.
inline constexpr ComParameters kTransferLine{
    .BaudRate = 9600,
    .ByteSize = 8,
    .Parity = 0,
    .StopBits = 0,
    .ReadIntervalTimeout = 400,
    .ReadTotalTimeoutMultiplier = 7,
    .ReadTotalTimeoutConstant = 124,
    .WriteTotalTimeoutMultiplier = 0,
    .WriteTotalTimeoutConstant = 5000,
};

}  // namespace variablewrites
