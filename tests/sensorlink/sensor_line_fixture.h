#pragma once
// Shared set-up of the session tests: a fake clock, a scripted line with a
// sensor that answers from a queue, a message box recorder and one session.

#include "sensorlink/sensor_session.h"
#include "tests/support/fake_clock.h"
#include "tests/support/fake_serial_device.h"
#include "tests/support/message_box_recorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

namespace sensortest {

// XOR of the bytes, each widened as a signed 8-bit value.
inline int32_t signedXor(const std::string& bytes) {
    int32_t sum = 0;
    for (char c : bytes) sum ^= static_cast<int32_t>(static_cast<int8_t>(c));
    return sum;
}

// A well-formed reply: STX, the six angle characters, ETX, then the checksum
// as two hex digits and CR.
inline std::string angleFrame(const std::string& six, char first = 0x02, char seventh = 0x03) {
    std::string frame = std::string(1, first) + six + std::string(1, seventh);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X\r", static_cast<unsigned>(signedXor(frame)) & 0xFFu);
    return frame + hex;
}

class SensorLineTest : public ::testing::Test {
protected:
    SensorLineTest() {
        ComErrorOperation.clear();
        line.install();
        // The sensor answers each request (ENQ) and each NAK with the next
        // queued reply; an empty queue is a silent sensor.
        line.responder = [this](const std::string& written) -> std::string {
            if ((written == "\x05" || written == "\x15") && !replies.empty()) {
                std::string reply = replies.front();
                replies.pop_front();
                return reply;
            }
            return {};
        };
    }

    // Opens without the device check and forgets what the open did.
    void openQuietly() {
        ASSERT_TRUE(session.OpenSession(-1));
        line.clearLog();
        boxes.calls.clear();
    }

    testsupport::FakeClock clock{1000, 1};
    testsupport::FakeSerialLine line{&clock};
    testsupport::MessageBoxRecorder boxes;
    std::deque<std::string> replies;
    SessionSettings settings;
    CSensorSession session{settings};  // last: closes while the fakes still exist
};

// What one query puts on the line, with RTS/DTR steering: the request, a
// read that got `got` bytes, a NAK.
inline std::vector<std::string> requestLog(const std::string& addressHex) {
    return {"purge", "CLRDTR", "SETRTS", "write " + addressHex, "CLRDTR", "SETRTS", "write 05", "drain"};
}
inline std::vector<std::string> readLog(int got) {
    return {"CLRRTS", "SETDTR", "read 11 got " + std::to_string(got)};
}
inline std::vector<std::string> nakLog() { return {"CLRDTR", "SETRTS", "write 15", "drain"}; }

inline std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Every box of the session: no owner, OK button, error icon.
inline void expectErrorBoxes(const testsupport::MessageBoxRecorder& boxes, const std::vector<std::string>& expected) {
    EXPECT_EQ(boxes.summary(), expected);
    for (const platform::MessageBoxCall& call : boxes.calls) {
        EXPECT_EQ(call.owner, nullptr) << call.text;
        EXPECT_EQ(call.icon, platform::MsgIcon::Error) << call.text;
        EXPECT_EQ(call.buttons, platform::MsgButtons::Ok) << call.text;
    }
}

}  // namespace sensortest
