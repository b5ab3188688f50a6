// Reading and writing sensor variables on the scripted line: the frames byte
// for byte, the write's attempts, the read reply's checks and how its fields
// are read.
#include "tests/sensorlink/sensor_line_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <numeric>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace sensortest;
using Log = std::vector<std::string>;

const char* const kWriteFailed = "COM Error|WriteVariable:the variable could not be transmitted.";
const char* const kReadFailed = "COM Error|ReadVariables:the variables could not be transmitted.";

// A sensor that answers each write frame (at its "$") with the next queued
// answer and each read request (DC1) with the next queued reply.
class VariableLineTest : public SensorLineTest {
protected:
    VariableLineTest() {
        line.responder = [this](const std::string& written) -> std::string {
            const bool frameEnd = written == "$";
            if (!frameEnd && written != "\x11") return {};
            sentAt.push_back(clock.now());
            std::deque<std::string>& queue = frameEnd ? answers : readReplies;
            if (queue.empty()) return {};
            std::string next = queue.front();
            queue.pop_front();
            return next;
        };
        boxes.whileShown = [this](const platform::MessageBoxCall&) { boxAt = clock.now(); };
    }

    std::deque<std::string> answers;
    std::deque<std::string> readReplies;
    std::vector<uint32_t> sentAt;  // tick of every frame end ("$" or DC1)
    uint32_t boxAt = 0;
};

// The traffic of one write attempt: each item by itself, then the answer.
Log writeAttempt(const Log& items, int got) {
    Log log{"purge"};
    for (const std::string& item : items) log.push_back("write " + item);
    log.push_back("drain");
    log.push_back("read 1 got " + std::to_string(got));
    return log;
}

struct FrameCase {
    const char* name;
    uint16_t index;
    int32_t number;
    int32_t value;
    Log items;  // hex of each CCom::Write
};
void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class WriteFrame : public VariableLineTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(WriteFrame, SendsEachItemAsTheSensorReadsIt) {
    openQuietly();
    answers = {"\x06"};
    EXPECT_TRUE(session.WriteVariable(GetParam().index, GetParam().number, GetParam().value));
    EXPECT_EQ(line.traffic(), writeAttempt(GetParam().items, 1));
    EXPECT_TRUE(boxes.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Frames, WriteFrame,
    ::testing::Values(
        FrameCase{"CutOffToSensor178", 1, 26, 50,
                  {"B2", "12", "02", "30 32 36 0D", "30 30 30 35 30 0D", "17", "31 34", "24"}},
        FrameCase{"MinusSignFirst", 1, 64, -5,
                  {"B2", "12", "02", "30 36 34 0D", "2D 30 30 30 35 0D", "17", "30 46", "24"}},
        FrameCase{"LongerValueInFull", 78, 25, INT32_MIN,
                  {"FF", "12", "02", "30 32 35 0D", "2D 32 31 34 37 34 38 33 36 34 38 0D", "17", "30 41", "24"}},
        FrameCase{"BroadcastAddress", 0, 63, 190,
                  {"B1", "12", "02", "30 36 33 0D", "30 30 31 39 30 0D", "17", "31 38", "24"}}),
    [](const ::testing::TestParamInfo<FrameCase>& info) { return std::string(info.param.name); });

struct AttemptCase {
    const char* name;
    std::vector<std::string> answers;  // one per attempt; missing ones are silence
    bool result;
    int attempts;
};
void PrintTo(const AttemptCase& c, std::ostream* os) { *os << c.name; }

class WriteAttempts : public VariableLineTest, public ::testing::WithParamInterface<AttemptCase> {};

TEST_P(WriteAttempts, RepeatsTheSameFrameUpToThreeTimes) {
    openQuietly();
    answers.assign(GetParam().answers.begin(), GetParam().answers.end());
    EXPECT_EQ(session.WriteVariable(1, 26, 50), GetParam().result);

    const Log items{"B2", "12", "02", "30 32 36 0D", "30 30 30 35 30 0D", "17", "31 34", "24"};
    Log expected;
    for (int i = 0; i < GetParam().attempts; ++i) {
        const bool answered = i < static_cast<int>(GetParam().answers.size()) && !GetParam().answers[i].empty();
        const Log attempt = writeAttempt(items, answered ? 1 : 0);
        expected.insert(expected.end(), attempt.begin(), attempt.end());
    }
    EXPECT_EQ(line.traffic(), expected);
    expectErrorBoxes(boxes, GetParam().result ? Log{} : Log{kWriteFailed});

    // 15 ms before each answer is read and 15 ms after each failed attempt,
    // the last one included, before anything else happens.
    ASSERT_EQ(sentAt.size(), static_cast<size_t>(GetParam().attempts));
    for (size_t i = 1; i < sentAt.size(); ++i) EXPECT_GE(sentAt[i] - sentAt[i - 1], 30u) << "attempt " << i;
    if (!GetParam().result) {
        EXPECT_GE(boxAt - sentAt.back(), 30u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, WriteAttempts,
    ::testing::Values(AttemptCase{"NakThenAck", {"\x15", "\x06"}, true, 2},
                      AttemptCase{"ThreeNaks", {"\x15", "\x15", "\x15"}, false, 3},
                      AttemptCase{"Silent", {}, false, 3},
                      // A late ACK left over from the second attempt is purged
                      // before the third: it must not count for that one.
                      AttemptCase{"LeftoverAckIsNoAnswer", {"A", "\x15\x06", ""}, false, 3}),
    [](const ::testing::TestParamInfo<AttemptCase>& info) { return std::string(info.param.name); });

// A read reply: a leading byte, V000..V255 as "%6d" of k unless given,
// a closing byte and the checksum as "%03X".
std::string variableReply(const std::map<int, std::string>& fields = {}, char first = '\x02', char closing = '\x03',
                          const char* checksumFormat = "%03X") {
    std::string body(1, first);
    for (int k = 0; k < 256; ++k) {
        char text[16];
        std::snprintf(text, sizeof text, "%6d", k);
        const auto given = fields.find(k);
        body += given != fields.end() ? given->second : std::string(text);
    }
    body += closing;
    char checksum[16];
    std::snprintf(checksum, sizeof checksum, checksumFormat, static_cast<unsigned>(signedXor(body)) & 0xFFFu);
    return body + checksum;
}

std::string withByte(std::string text, size_t at, char byte) {
    text[at] = byte;
    return text;
}

// A reply with a checksum of two lower-case digits, one a letter, then CR.
std::string lowerCaseChecksumReply() {
    for (char first = 0x21; first < 0x7F; ++first) {
        const std::string reply = variableReply({}, first, '\x03', "%02x\r");
        if (reply.find_first_of("abcdef", 1538) != std::string::npos) return reply;
    }
    return {};
}

struct ReadCase {
    const char* name;
    std::string reply;
    bool good;
    std::map<int, int32_t> values;  // differences from V(k) = k when good
};
void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadReply : public VariableLineTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadReply, FillsTheWholeTableOrLeavesItAlone) {
    openQuietly();
    readReplies = {GetParam().reply};
    VariableTable table;
    table.fill(0x5A5A5A5A);
    const VariableTable before = table;

    EXPECT_EQ(session.ReadVariables(1, table), GetParam().good);

    const size_t got = std::min<size_t>(GetParam().reply.size(), 1541);
    EXPECT_EQ(line.traffic(), (Log{"purge", "write B2", "write 11", "drain", "read 1541 got " + std::to_string(got)}));
    if (GetParam().good) {
        VariableTable expected;
        std::iota(expected.begin(), expected.end(), 0);
        for (const auto& [k, v] : GetParam().values) expected[static_cast<size_t>(k)] = v;
        EXPECT_EQ(table, expected);
        EXPECT_TRUE(boxes.calls.empty());
    } else {
        EXPECT_EQ(table, before);
        expectErrorBoxes(boxes, {kReadFailed});
        // 15 ms before the read and 15 ms after it before the box.
        ASSERT_EQ(sentAt.size(), 1u);
        EXPECT_GE(boxAt - sentAt[0], 30u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReadReply,
    ::testing::Values(
        ReadCase{"HighBytesThatCancel", variableReply({}, '\xB2', '\x83'), true, {}},
        ReadCase{"LowerCaseChecksumThenCr", lowerCaseChecksumReply(), true, {}},
        ReadCase{"FieldsReadWithinTheirSixCharacters",
                 variableReply({{100, "-   12"},
                                {101, " -  12"},
                                {102, "      "},
                                {103, "    77"},  // after a blank field
                                {104, "123456"},
                                {105, "789012"},  // right after six digits
                                {106, "     -"},
                                {107, "    12"},  // after a minus at the very end
                                {108, "-99999"},
                                {109, "\t +7 8"},
                                {110, "- - 5 "},
                                {111, "12-  3"}}),
                 true,
                 {{100, -12}, {101, -12}, {102, 0}, {103, 77}, {104, 123456}, {105, 789012}, {106, 0},
                  {107, 12}, {108, -99999}, {109, 7}, {110, 0}, {111, 12}}},
        ReadCase{"ShortByOne", variableReply().substr(0, 1540), false, {}},
        ReadCase{"ZeroByteInside", withByte(variableReply(), 700, '\0'), false, {}},
        ReadCase{"WrongChecksum", withByte(variableReply(), 1540, variableReply()[1540] == '0' ? '1' : '0'), false,
                 {}},
        ReadCase{"OneHighByte", variableReply({}, '\xB2'), false, {}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST_F(VariableLineTest, NotesAVanishedDeviceAndKeepsItsBoxes) {
    struct Case {
        const char* operation;
        std::function<bool()> run;
        const char* box;
    };
    VariableTable table{};
    const std::vector<Case> cases{
        {"write", [&] { return session.WriteVariable(1, 26, 50); }, kWriteFailed},
        {"read", [&] { return session.ReadVariables(1, table); }, kReadFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.operation);
        openQuietly();
        line.vanished = true;
        EXPECT_FALSE(c.run());
        expectErrorBoxes(boxes, {c.box});
        EXPECT_TRUE(session.DeviceLost());
        boxes.calls.clear();
        session.ShowDeviceLost();
        EXPECT_EQ(boxes.summary(), Log{"Error|CCom.Write:Input/output error"});

        // Back again: the next exchange starts with a clean slate.
        line.vanished = false;
        answers = {"\x06"};
        readReplies = {variableReply()};
        EXPECT_TRUE(c.run());
        EXPECT_FALSE(session.DeviceLost());
        session.CloseSession();
        boxes.calls.clear();
    }
}

}  // namespace
