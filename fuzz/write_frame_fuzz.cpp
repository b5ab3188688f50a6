// The write frame round trip: a frame the tools build for an address index of
// 0 to 78, a variable number of 0 to 255 and any 32-bit value, fed to the
// simulator's request parser after any bytes at all, comes back on its last
// byte, and only there, as a write to the same address, number and value. It
// is valid exactly where the simulator takes the value (-9999 to 99999, and
// 178 to 255 for V063). A number outside 0..255 never makes a valid write.
//
// Input: index, number (2 bytes, within 0..255 unless the flag says otherwise),
// value (4 bytes), flags, then bytes fed before the frame (at most 64).

#include "fuzz/fuzz_support.h"
#include "sensorlink/variable_frames.h"
#include "sim/protocol.h"
#include "sim/request_parser.h"

#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const uint16_t index = in.byte() % 79;
    const uint16_t rawNumber = in.u16();
    const int32_t value = in.i32();
    const uint8_t flags = in.byte();
    const std::string noise = in.rest().substr(0, 64);
    // Now and then a number no tool sends: up to 1999 either side of zero.
    const int32_t number = flags & 1 ? static_cast<int32_t>(rawNumber % 3999) - 1999 : rawNumber % 256;

    std::string frame;
    for (const std::string& item : variableframes::WriteRequest(index, number, value)) {
        FUZZ_CHECK(item.find('\0') == std::string::npos);
        frame += item;
    }

    kv275sim::RequestParser parser;
    for (char c : noise) parser.feed(static_cast<uint8_t>(c));
    std::optional<kv275sim::Request> last;
    for (size_t i = 0; i < frame.size(); ++i) {
        last = parser.feed(static_cast<uint8_t>(frame[i]));
        if (i + 1 < frame.size()) FUZZ_CHECK(!last.has_value());
    }

    if (number < 0 || number > 999) {
        // Not three digits: the parser drops the frame.
        FUZZ_CHECK(!last.has_value());
        return 0;
    }
    FUZZ_CHECK(last.has_value());
    FUZZ_CHECK(last->kind == kv275sim::Request::Kind::WriteVariable);
    FUZZ_CHECK(last->address == kv275sim::kBroadcastAddress + index);
    // The number as it came, also beyond V255, for the traffic log.
    FUZZ_CHECK(last->variable == number);
    if (number > 255) {
        FUZZ_CHECK(!last->writeValid);
        return 0;
    }
    FUZZ_CHECK(last->value == value);
    const bool inRange = value >= kv275sim::kMinVariableValue && value <= kv275sim::kMaxVariableValue &&
                         (number != kv275sim::kVarAddress || (value >= 178 && value <= 255));
    FUZZ_CHECK(last->writeValid == inRange);
    FUZZ_CHECK(last->writeProblem.empty() == inRange);
    return 0;
}
