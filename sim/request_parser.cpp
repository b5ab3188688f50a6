#include "sim/request_parser.h"

#include "sim/protocol.h"

#include <cerrno>
#include <cstdlib>

namespace kv275sim {
namespace {

// The variable number is "%03d" of 0..255 and so always three digits.
constexpr size_t kNumberDigits = 3;
// "%05ld" of a 32-bit value gives at least 5 and at most 11 characters
// ("-2147483648").
constexpr size_t kMinValueText = 5;
constexpr size_t kMaxValueText = 11;
constexpr size_t kChecksumDigits = 2;

bool isDigit(uint8_t b) { return b >= '0' && b <= '9'; }
// "%02X": upper case only.
bool isChecksumDigit(uint8_t b) { return isDigit(b) || (b >= 'A' && b <= 'F'); }

// True when `text` is exactly what "%05ld" makes of some number: no zeros in
// front beyond the five places, no "-0000", no sign but a leading minus.
bool isToolValueText(const std::string& text) {
    if (text.size() < kMinValueText || text.size() > kMaxValueText) return false;
    const bool negative = text[0] == '-';
    const std::string digits = text.substr(negative ? 1 : 0);
    for (char c : digits) {
        if (!isDigit(static_cast<uint8_t>(c))) return false;
    }
    const size_t firstNonZero = digits.find_first_not_of('0');
    if (firstNonZero == std::string::npos) return !negative && text.size() == kMinValueText;  // "00000"
    // Zeros in front only to fill the five places.
    return firstNonZero == 0 || text.size() == kMinValueText;
}

// A decimal text with an optional leading minus and at least one digit.
bool parseNumber(const std::string& text, long long& out) {
    size_t i = (!text.empty() && text[0] == '-') ? 1 : 0;
    if (i >= text.size()) return false;
    for (size_t k = i; k < text.size(); ++k) {
        if (!isDigit(static_cast<uint8_t>(text[k]))) return false;
    }
    errno = 0;
    out = std::strtoll(text.c_str(), nullptr, 10);
    return errno == 0;
}

}  // namespace

void RequestParser::reset() {
    state_ = State::Idle;
    number_.clear();
    value_.clear();
    checksum_.clear();
}

std::optional<Request> RequestParser::feedIdle(uint8_t byte) {
    reset();
    if (isAddressByte(byte)) {
        address_ = byte;
        state_ = State::Addressed;
        return std::nullopt;
    }
    if (byte == NAK) {
        Request r;
        r.kind = Request::Kind::Nak;
        return r;
    }
    return std::nullopt;  // noise between frames
}

std::optional<Request> RequestParser::feed(uint8_t byte) {
    switch (state_) {
    case State::Idle:
        return feedIdle(byte);
    case State::Addressed:
        if (byte == ENQ || byte == DC1) {
            Request r;
            r.kind = byte == ENQ ? Request::Kind::AngleQuery : Request::Kind::ReadVariables;
            r.address = address_;
            reset();
            return r;
        }
        if (byte == DC2) {
            state_ = State::WriteCommand;
            return std::nullopt;
        }
        break;
    case State::WriteCommand:
        if (byte == STX) {
            state_ = State::WriteNumber;
            return std::nullopt;
        }
        break;
    case State::WriteNumber:
        if (byte == CR && number_.size() == kNumberDigits) {
            state_ = State::WriteValue;
            return std::nullopt;
        }
        if (isDigit(byte) && number_.size() < kNumberDigits) {
            number_.push_back(static_cast<char>(byte));
            return std::nullopt;
        }
        break;
    case State::WriteValue:
        if (byte == CR && isToolValueText(value_)) {
            state_ = State::WriteChecksum;
            return std::nullopt;
        }
        if ((isDigit(byte) || (byte == '-' && value_.empty())) && value_.size() < kMaxValueText) {
            value_.push_back(static_cast<char>(byte));
            return std::nullopt;
        }
        break;
    case State::WriteChecksum:
        // The ETB comes first, then two hex digits.
        if (checksum_.empty() && byte == ETB) {
            checksum_.push_back(static_cast<char>(byte));
            return std::nullopt;
        }
        if (!checksum_.empty() && isChecksumDigit(byte)) {
            checksum_.push_back(static_cast<char>(byte));
            if (checksum_.size() == 1 + kChecksumDigits) state_ = State::WriteEnd;
            return std::nullopt;
        }
        break;
    case State::WriteEnd:
        if (byte == FRAME_END) {
            Request r = finishWrite();
            reset();
            return r;
        }
        break;
    }
    // Not part of the frame under way: drop it and look at the byte afresh.
    return feedIdle(byte);
}

Request RequestParser::finishWrite() const {
    Request r;
    r.kind = Request::Kind::WriteVariable;
    r.address = address_;

    // The checksum covers STX, both fields with their CRs, and ETB.
    int sum = STX;
    for (char c : number_) sum ^= static_cast<uint8_t>(c);
    sum ^= CR;
    for (char c : value_) sum ^= static_cast<uint8_t>(c);
    sum ^= CR;
    sum ^= ETB;
    const long sent = std::strtol(checksum_.substr(1).c_str(), nullptr, 16);

    long long number = 0;
    long long value = 0;
    const bool numberOk = parseNumber(number_, number);
    const bool valueOk = parseNumber(value_, value);
    // Three digits: a number the log can show as it came, even above V255.
    r.variable = numberOk ? static_cast<int>(number) : -1;
    r.value = valueOk && value >= INT32_MIN && value <= INT32_MAX ? static_cast<int32_t>(value) : 0;

    if (sent != sum) {
        r.writeProblem = "checksum";
    } else if (r.variable < 0 || r.variable >= static_cast<int>(kVariableCount)) {
        r.writeProblem = "no such variable " + number_;
    } else if (!valueOk || value < kMinVariableValue || value > kMaxVariableValue) {
        r.writeProblem = "value " + value_ + " out of range";
    } else if (r.variable == kVarAddress && !isSensorAddress(r.value)) {
        r.writeProblem = "address " + value_ + " out of range";
    }
    r.writeValid = r.writeProblem.empty();
    return r;
}

}  // namespace kv275sim
