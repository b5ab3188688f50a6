#pragma once
// The program-wide settings a sensor session reads. Each bus program owns one
// (its settings record holds it).

#include "sensorlink/com_parameters.h"

#include <cstdint>

struct SessionSettings {
    int8_t ISPort = 1;     // current port number, 1 to 4 expected (a file may hold anything)
    int8_t ISAddress = 1;  // current address index: 0 = 177 (all sensors), 1..78 = 178..255
    ComParameters comParameters;
    bool portInUse[4] = {false, false, false, false};  // ports 1..4 of this program

    // The in-use mark of the current port, or nullptr when the number is
    // outside 1 to 4 (such a number has no mark and must never index the table).
    bool* currentPortMark() { return ISPort >= 1 && ISPort <= 4 ? &portInUse[ISPort - 1] : nullptr; }
};
