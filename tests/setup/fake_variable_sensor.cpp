#include "tests/setup/fake_variable_sensor.h"

#include "tests/support/sensor_bus_responder.h"

#include <cstdio>
#include <cstdlib>

void FakeVariableSensor::attach(testsupport::FakeSerialLine& line) {
    line.responder = [this](const std::string& bytes) { return respond(bytes); };
}

std::string FakeVariableSensor::reply(const VariableTable& table) {
    std::string text(1, '\x02');
    char field[16];
    for (int32_t value : table) {
        std::snprintf(field, sizeof field, "%6ld", static_cast<long>(value));
        text += field;
    }
    text += '\x03';
    int32_t sum = 0;
    for (char c : text) sum ^= static_cast<int32_t>(static_cast<int8_t>(c));
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%03X", static_cast<unsigned>(sum) & 0xFFFu);
    return text + checksum;
}

std::string FakeVariableSensor::respond(const std::string& bytes) {
    if (bytes.size() == 1 && (static_cast<unsigned char>(bytes[0]) >= 177)) {
        listening_ = addressed(static_cast<unsigned char>(bytes[0]));
        frame_.clear();
        return {};
    }
    if (!listening_ || silent) return {};
    if (frame_.empty() && bytes == "\x05")
        return garbledAngle ? testsupport::SensorBusResponder::garbled(12.5) : testsupport::SensorBusResponder::frame(12.5);
    if (frame_.empty() && bytes == "\x11") {
        listening_ = false;
        std::string r = reply(variables);
        switch (readFault) {
        case ReadFault::None: return r;
        case ReadFault::Silent: return {};
        case ReadFault::ShortByOne: return r.substr(0, r.size() - 1);
        case ReadFault::ZeroInside: r[700] = '\0'; return r;
        case ReadFault::BadChecksum: r[10] = r[10] == '9' ? '8' : '9'; return r;
        }
    }
    frame_.push_back(bytes);
    return bytes == "$" ? finishWrite() : std::string();
}

std::string FakeVariableSensor::finishWrite() {
    // DC2, STX, number + CR, value + CR, ETB, checksum, "$"
    std::vector<std::string> items;
    items.swap(frame_);
    if (items.size() != 7 || items[0] != "\x12") return "\x15";
    const int number = std::atoi(items[2].c_str());
    int& unanswered = unansweredBefore[number];
    if (unanswered > 0) {
        --unanswered;
        return {};
    }
    int& naks = naksBefore[number];
    if (naks > 0) {
        --naks;
        return "\x15";
    }
    const int32_t value = static_cast<int32_t>(std::atol(items[3].c_str()));
    variables[number] = value;
    if (number == 63) address = value;  // the sensor answers at its new address from now on
    char entry[32];
    std::snprintf(entry, sizeof entry, "V%03d=%ld", number, static_cast<long>(value));
    written.push_back(entry);
    return "\x06";
}
