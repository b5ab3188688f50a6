#include "tests/scan/sensor_bus_responder.h"

#include "tests/support/fake_serial_device.h"

#include <cstdio>

namespace {
constexpr unsigned char kStx = 0x02;
constexpr unsigned char kEtx = 0x03;
constexpr unsigned char kEnq = 0x05;
constexpr unsigned char kNak = 0x15;
constexpr unsigned char kCr = 0x0D;
}  // namespace

void SensorBusResponder::attach(testsupport::FakeSerialLine& line) {
    line.responder = [this](const std::string& written) { return respond(written); };
}

std::string SensorBusResponder::respond(const std::string& written) {
    std::string reply;
    for (unsigned char byte : written) {
        if (byte >= 0xB1) {
            address_ = byte;
        } else if (byte == kEnq) {
            asked.push_back(address_);
            const auto sensor = angles.find(address_);
            lastReply_ = sensor != angles.end() ? frame(sensor->second) : std::string();
            reply += lastReply_;
        } else if (byte == kNak) {
            reply += lastReply_;
        }
    }
    return reply;
}

std::string SensorBusResponder::frame(double angle) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06.2f", angle);
    std::string out;
    out += static_cast<char>(kStx);
    out += digits;
    out += static_cast<char>(kEtx);
    int sum = 0;
    for (char c : out) sum ^= static_cast<signed char>(c);
    char check[8];
    std::snprintf(check, sizeof check, "%02X", sum & 0xFF);
    out += check;
    out += static_cast<char>(kCr);
    return out;
}
