// The simulator's request parser on any bytes: it never fails, and every
// request it returns stands for the bytes just fed: an angle query or a read
// as the address byte and its command, NAK as that byte, a write as a whole
// frame of the tools' form ending in the byte just fed. A valid write is
// exactly the frame the tools build for its address, number and value, and
// only a valid one has no problem named.
//
// Input: the bytes, at most 1024 of them (room for dozens of frames; longer
// inputs only slow the run down).

#include "fuzz/fuzz_support.h"
#include "sensorlink/variable_frames.h"
#include "sim/protocol.h"
#include "sim/request_parser.h"

#include <string>

namespace {

using kv275sim::Request;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpperHex(char c) { return isDigit(c) || (c >= 'A' && c <= 'F'); }

// The write frame at the end of `fed`, in the tools' form: address, DC2, STX,
// three digits, CR, a value of 5 to 11 characters (digits, a minus sign only
// first), CR, ETB, two upper-case hex digits, "$". Its start, or npos.
size_t writeFrameStart(const std::string& fed) {
    const size_t n = fed.size();
    if (n < 17 || fed[n - 1] != '$' || !isUpperHex(fed[n - 2]) || !isUpperHex(fed[n - 3]) ||
        static_cast<uint8_t>(fed[n - 4]) != kv275sim::ETB || static_cast<uint8_t>(fed[n - 5]) != kv275sim::CR)
        return std::string::npos;
    size_t valueStart = n - 5;
    while (valueStart > 0 && static_cast<uint8_t>(fed[valueStart - 1]) != kv275sim::CR) --valueStart;
    const size_t valueLength = n - 5 - valueStart;
    if (valueStart < 7 || valueLength < 5 || valueLength > 11) return std::string::npos;
    for (size_t i = valueStart; i < n - 5; ++i)
        if (!isDigit(fed[i]) && !(fed[i] == '-' && i == valueStart)) return std::string::npos;
    const size_t start = valueStart - 7;  // address, DC2, STX, three digits, CR
    if (static_cast<uint8_t>(fed[start]) < kv275sim::kBroadcastAddress ||
        static_cast<uint8_t>(fed[start + 1]) != kv275sim::DC2 || static_cast<uint8_t>(fed[start + 2]) != kv275sim::STX ||
        !isDigit(fed[start + 3]) || !isDigit(fed[start + 4]) || !isDigit(fed[start + 5]))
        return std::string::npos;
    return start;
}

void checkRequest(const Request& r, const std::string& fed) {
    const uint8_t lastByte = static_cast<uint8_t>(fed.back());
    switch (r.kind) {
    case Request::Kind::Nak:
        FUZZ_CHECK(lastByte == kv275sim::NAK);
        break;
    case Request::Kind::AngleQuery:
    case Request::Kind::ReadVariables:
        FUZZ_CHECK(fed.size() >= 2);
        FUZZ_CHECK(lastByte == (r.kind == Request::Kind::AngleQuery ? kv275sim::ENQ : kv275sim::DC1));
        FUZZ_CHECK(r.address >= kv275sim::kBroadcastAddress);
        FUZZ_CHECK(static_cast<uint8_t>(fed[fed.size() - 2]) == r.address);
        break;
    case Request::Kind::WriteVariable: {
        const size_t start = writeFrameStart(fed);
        FUZZ_CHECK(start != std::string::npos);
        FUZZ_CHECK(static_cast<uint8_t>(fed[start]) == r.address);
        FUZZ_CHECK(r.variable >= -1 && r.variable <= 255);
        FUZZ_CHECK(r.writeValid == r.writeProblem.empty());
        if (r.writeValid) {
            FUZZ_CHECK(r.variable >= 0);
            FUZZ_CHECK(r.value >= kv275sim::kMinVariableValue && r.value <= kv275sim::kMaxVariableValue);
            if (r.variable == kv275sim::kVarAddress) FUZZ_CHECK(kv275sim::isSensorAddress(r.value));
            std::string frame;
            for (const std::string& item : variableframes::WriteRequest(
                     static_cast<uint16_t>(r.address - kv275sim::kBroadcastAddress), r.variable, r.value))
                frame += item;
            FUZZ_CHECK(fed.compare(start, std::string::npos, frame) == 0);
        }
        break;
    }
    }
    FUZZ_CHECK(!r.describe().empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kv275sim::RequestParser parser;
    std::string fed;
    const size_t n = std::min<size_t>(size, 1024);
    fed.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        fed.push_back(static_cast<char>(data[i]));
        const std::optional<Request> r = parser.feed(data[i]);
        if (r) checkRequest(*r, fed);
        // Every so often the parser forgets a frame under way, as a port does
        // between two of the tool's requests.
        if (i % 256 == 255) parser.reset();
    }
    return 0;
}
