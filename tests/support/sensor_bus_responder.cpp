#include "tests/support/sensor_bus_responder.h"

#include "tests/support/fake_serial_device.h"

#include <cstdio>

namespace testsupport {

namespace {
constexpr unsigned char kStx = 0x02;
constexpr unsigned char kEtx = 0x03;
constexpr unsigned char kEnq = 0x05;
constexpr unsigned char kNak = 0x15;
constexpr unsigned char kCr = 0x0D;

std::string frameWithChecksumMask(double angle, int mask) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06.2f", angle);
    std::string out;
    out += static_cast<char>(kStx);
    out += digits;
    out += static_cast<char>(kEtx);
    int sum = 0;
    for (char c : out) sum ^= static_cast<signed char>(c);
    char check[8];
    std::snprintf(check, sizeof check, "%02X", (sum ^ mask) & 0xFF);
    out += check;
    out += static_cast<char>(kCr);
    return out;
}
}  // namespace

void SensorBusResponder::attach(FakeSerialLine& line) {
    line.responder = [this](const std::string& written) { return respond(written); };
}

std::string SensorBusResponder::respond(const std::string& written) {
    std::string reply;
    for (unsigned char byte : written) {
        if (byte >= 0xB1) {
            address_ = byte;
        } else if (byte == kEnq) {
            asked.push_back(address_);
            lastReply_ = nextReply(address_);
            reply += lastReply_;
        } else if (byte == kNak) {
            // A sensor repeats what it sent; one that is still garbling sends
            // its next reply instead.
            if (lastGarbled_) lastReply_ = nextReply(address_);
            reply += lastReply_;
        }
    }
    return reply;
}

std::string SensorBusResponder::nextReply(int address) {
    lastGarbled_ = false;
    if (address == kBroadcast) {
        if (broadcastAngle) return frame(*broadcastAngle);
        int answering = 0;
        int first = -1;
        for (const auto& [sensor, angle] : angles) {
            if (silent.count(sensor)) continue;
            if (answering++ == 0) first = sensor;
        }
        if (answering == 0) return {};
        if (answering == 1) return nextReply(first);
        lastGarbled_ = true;
        return garbled(angles.at(first));
    }
    const auto sensor = angles.find(address);
    if (sensor == angles.end() || silent.count(address)) return {};
    const auto bad = badRepliesBefore.find(address);
    if (bad != badRepliesBefore.end() && bad->second > 0) {
        --bad->second;
        lastGarbled_ = true;
        return garbled(sensor->second);
    }
    return frame(sensor->second);
}

std::string SensorBusResponder::frame(double angle) { return frameWithChecksumMask(angle, 0); }

std::string SensorBusResponder::garbled(double angle) { return frameWithChecksumMask(angle, 0xFF); }

}  // namespace testsupport
