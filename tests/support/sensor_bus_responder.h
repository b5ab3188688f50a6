#pragma once
// Answers angle queries on the fake serial line like a bus of sensors at
// chosen addresses: an address byte and ENQ get the 11-byte reply frame from
// the sensor there (silence for an empty address); NAK repeats the last reply.
//
// Faults, per address:
//  - `silent`: the sensor stays silent although it has an angle;
//  - `badRepliesBefore`: so many garbled replies (a wrong checksum) before the
//    good one; the ENQ gets the first, each NAK the next, and the count left
//    goes down as they are sent;
// and the broadcast address 177 (0xB1): `broadcastAngle` answers it when set;
// otherwise a single answering sensor answers it alone, and several collide
// into one garbled 11-byte reply.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

class FakeSerialLine;

class SensorBusResponder {
public:
    static constexpr int kBroadcast = 177;

    // Bus address (178 to 255) -> angle in degrees.
    std::map<int, double> angles;
    std::set<int> silent;
    std::map<int, int> badRepliesBefore;
    std::optional<double> broadcastAngle;
    // Every address that was asked with ENQ, in order.
    std::vector<int> asked;

    // Makes the line answer through this object (which must outlive its use).
    void attach(FakeSerialLine& line);
    std::string respond(const std::string& written);

    // STX, "%06.2f" of the angle, ETX, the XOR of bytes 0 to 7 as "%02X", CR.
    static std::string frame(double angle);
    // The same frame with every bit of its checksum inverted.
    static std::string garbled(double angle);

private:
    std::string nextReply(int address);

    int address_ = -1;
    std::string lastReply_;
    bool lastGarbled_ = false;
};

}  // namespace testsupport
