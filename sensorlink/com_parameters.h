#pragma once
#include <cstdint>

// The serial line settings of a bus tool, as stored in its settings file.
struct ComParameters {
    uint32_t BaudRate = 9600;
    uint8_t ByteSize = 8;
    uint8_t Parity = 0;    // 0 none, 1 odd, 2 even, 3 mark, 4 space
    uint8_t StopBits = 0;  // 0 one, 1 one and a half, 2 two
    uint32_t ReadIntervalTimeout = 200;
    uint32_t ReadTotalTimeoutMultiplier = 7;
    uint32_t ReadTotalTimeoutConstant = 124;
    uint32_t WriteTotalTimeoutMultiplier = 0;
    uint32_t WriteTotalTimeoutConstant = 0;
    bool operator==(const ComParameters&) const = default;
};
