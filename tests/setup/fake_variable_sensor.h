#pragma once
// One sensor on the scripted line as the setup tool meets it: it answers the
// angle query of the device check, the read of all variables and the write of
// one, at its bus address and at 177. Writes change its table; V063 moves it.
// Faults: silence, a read reply cut short or spoilt, writes NAKed.

#include "sensorlink/variable_frames.h"
#include "tests/support/fake_serial_device.h"

#include <map>
#include <string>
#include <vector>

class FakeVariableSensor {
public:
    enum class ReadFault { None, Silent, ShortByOne, ZeroInside, BadChecksum };

    int address = 178;
    VariableTable variables{};
    bool silent = false;         // answers nothing at all
    bool garbledAngle = false;   // the device check's angle reply has a wrong checksum
    ReadFault readFault = ReadFault::None;
    std::map<int, int> naksBefore;  // variable -> NAKs before its ACK (3 or more: never acknowledged)
    std::map<int, int> unansweredBefore;  // variable -> writes left without any answer before its ACK
    std::vector<std::string> written;  // "Vnnn=value" of every acknowledged write, in order

    void attach(testsupport::FakeSerialLine& line);
    std::string respond(const std::string& bytes);

    // STX, the 256 fields "%6ld", ETX, the checksum "%03X".
    static std::string reply(const VariableTable& table);

private:
    bool addressed(unsigned char byte) const { return byte == 177 || byte == address; }
    std::string finishWrite();

    bool listening_ = false;
    std::vector<std::string> frame_;  // the items of a write under way
};
