// The variable read reply: any received text is judged as the rules say
// (1541 characters, the XOR of the first 1538 bytes equal to the hexadecimal
// number of up to three digits behind them), a reply that passes decodes field
// by field to what each six characters hold, -99999 to 999999, and a field is
// never read past its six characters. The simulator's replies pass and decode
// to the variables they were made from.
//
// Input: a mode byte, then
//   0: the received text, cut at a zero byte;
//   1: a checksum style, then bytes that fill the 1538 covered bytes (over
//      and over); the checksum is written to match where the sum allows it;
//   2: the minus-apart switch, then up to 256 variables of 4 bytes each,
//      sent through the simulator's frame;
//   3: one field of six bytes, zero bytes included, in a block of six bytes.

#include "fuzz/fuzz_support.h"
#include "sensorlink/variable_frames.h"
#include "sim/frames.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace variableframes;

FUZZ_UNGUIDED int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

FUZZ_UNGUIDED int32_t coveredSum(const char* reply) {
    int32_t sum = 0;
    for (size_t i = 0; i < kChecksumOffset; ++i) sum ^= static_cast<int32_t>(static_cast<int8_t>(reply[i]));
    return sum;
}

FUZZ_UNGUIDED bool referenceGood(const char* reply, size_t length) {
    if (length != kReplyLength) return false;
    int32_t sent = 0;
    for (size_t i = kChecksumOffset; i < kReplyLength && hexDigit(reply[i]) >= 0; ++i)
        sent = sent * 16 + hexDigit(reply[i]);
    return coveredSum(reply) == sent;
}

// A field read as strtol reads it, within its six characters (up to a zero
// byte), after the sensor's apart minus is mended: blanks right behind a
// minus sign are zeros.
FUZZ_UNGUIDED int32_t referenceField(const char* field) {
    char text[kFieldWidth + 1] = {};
    for (size_t i = 0; i < kFieldWidth && field[i] != 0; ++i) text[i] = field[i];
    bool afterMinus = false;
    for (size_t i = 0; i < kFieldWidth && text[i] != 0; ++i) {
        if (text[i] == '-') {
            afterMinus = true;
        } else if (afterMinus && text[i] == ' ') {
            text[i] = '0';
        } else {
            afterMinus = false;
        }
    }
    return static_cast<int32_t>(std::strtol(text, nullptr, 10));
}

void checkFieldValue(int32_t value, const char* field) {
    FUZZ_CHECK(value >= -99999 && value <= 999999);
    FUZZ_CHECK(value == referenceField(field));
}

// The text in a block of exactly its length and the zero; true when it passed.
bool checkReply(const std::string& text) {
    const size_t length = strnlen(text.data(), text.size());
    std::unique_ptr<char[]> reply(new char[length + 1]);
    std::memcpy(reply.get(), text.data(), length);
    reply[length] = '\0';
    const bool good = IsGoodReply(reply.get());
    FUZZ_CHECK(good == referenceGood(reply.get(), length));
    if (!good) return false;
    VariableTable table;
    table.fill(0x5A5A5A5A);
    DecodeReply(reply.get(), table);
    for (size_t k = 0; k < table.size(); ++k) checkFieldValue(table[k], reply.get() + kFirstField + kFieldWidth * k);
    return true;
}

// The 1538 covered bytes, the fill repeated (a zero byte, which would end the
// text, as "0").
FUZZ_UNGUIDED std::string coveredBytes(const std::string& fill) {
    std::string reply(kChecksumOffset, ' ');
    if (!fill.empty())
        for (size_t i = 0; i < kChecksumOffset; ++i) reply[i] = fill[i % fill.size()] == 0 ? '0' : fill[i % fill.size()];
    return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const uint8_t mode = in.byte() % 4;
    if (mode == 0) {
        checkReply(in.rest());
    } else if (mode == 1) {
        const uint8_t style = in.byte();
        const std::string fill = in.rest();
        std::string reply = coveredBytes(fill);
        const int32_t sum = coveredSum(reply.data());
        char checksum[32];
        const unsigned bits = static_cast<unsigned>(sum) & 0xFFF;
        switch (style % 3) {
        case 0: std::snprintf(checksum, sizeof checksum, "%03X", bits); break;
        case 1: std::snprintf(checksum, sizeof checksum, "%03x", bits); break;
        default: std::snprintf(checksum, sizeof checksum, "%X;;", bits); break;  // fewer digits, then none
        }
        reply.append(checksum, 3);
        const bool good = checkReply(reply);
        // A sum that fits three digits is matched by its own digits.
        if (sum >= 0 && sum <= 0xFFF) FUZZ_CHECK(good);
    } else if (mode == 2) {
        const bool minusApart = in.byte() & 1;
        kv275sim::VariableTable variables{};
        for (int32_t& v : variables) v = in.i32();
        const kv275sim::Bytes frame = kv275sim::variableReply(variables, minusApart);
        const std::string text(frame.begin(), frame.end());
        FUZZ_CHECK(text.size() == kReplyLength);
        FUZZ_CHECK(IsGoodReply(text.c_str()));
        checkReply(text);
        VariableTable table;
        DecodeReply(text.c_str(), table);
        for (size_t k = 0; k < table.size(); ++k)
            FUZZ_CHECK(table[k] == std::clamp(variables[k], kv275sim::kMinVariableValue, kv275sim::kMaxVariableValue));
    } else {
        std::unique_ptr<char[]> field(new char[kFieldWidth]);
        for (size_t i = 0; i < kFieldWidth; ++i) field[i] = static_cast<char>(in.byte());
        checkFieldValue(FieldValue(field.get()), field.get());
    }
    return 0;
}
