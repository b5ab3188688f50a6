#pragma once
// Answers angle queries on the fake serial line like a bus of sensors at
// chosen addresses: an address byte and ENQ get the 11-byte reply frame from
// the sensor there (silence for an empty address); NAK repeats the last reply.

#include <map>
#include <string>
#include <vector>

namespace testsupport {
class FakeSerialLine;
}

class SensorBusResponder {
public:
    // Bus address (178 to 255) -> angle in degrees.
    std::map<int, double> angles;
    // Every address that was asked with ENQ, in order.
    std::vector<int> asked;

    // Makes the line answer through this object (which must outlive its use).
    void attach(testsupport::FakeSerialLine& line);
    std::string respond(const std::string& written);

    // STX, "%06.2f" of the angle, ETX, the XOR of bytes 0 to 7 as "%02X", CR.
    static std::string frame(double angle);

private:
    int address_ = -1;
    std::string lastReply_;
};
