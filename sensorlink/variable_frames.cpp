#include "sensorlink/variable_frames.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace variableframes {
namespace {

constexpr int kBroadcastAddress = 177;  // index 0; 1..78 are the single sensors 178..255

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// White space as atol skips it in the C locale; std::isspace would follow the
// process locale, which a GUI program takes from the user.
bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string AddressItem(uint16_t index) {
    return std::string(1, static_cast<char>(static_cast<unsigned char>(index + kBroadcastAddress)));
}

std::array<std::string, 2> ReadRequest(uint16_t index) { return {AddressItem(index), std::string(1, DC1)}; }

std::array<std::string, 8> WriteRequest(uint16_t index, int32_t number, int32_t value) {
    // Room for any 32-bit number with its sign, and the CR.
    char numberText[16];
    char valueText[16];
    std::snprintf(numberText, sizeof numberText, "%03d\r", static_cast<int>(number));
    std::snprintf(valueText, sizeof valueText, "%05ld\r", static_cast<long>(value));

    const std::string stx(1, STX);
    const std::string etb(1, ETB);
    // Every byte from STX to ETB is ASCII, so the sum fits two digits.
    int sum = 0;
    for (const std::string& part : {stx, std::string(numberText), std::string(valueText), etb})
        for (char c : part) sum ^= static_cast<unsigned char>(c);
    char checksum[16];  // room for any unsigned, though the sum fills two digits
    std::snprintf(checksum, sizeof checksum, "%02X", static_cast<unsigned>(sum & 0xFF));

    return {AddressItem(index), std::string(1, DC2), stx, numberText, valueText, etb, checksum,
            std::string(1, FrameEnd)};
}

bool IsGoodReply(const char* reply) {
    if (std::strlen(reply) != kReplyLength) return false;
    int32_t sum = 0;
    for (size_t i = 0; i < kChecksumOffset; ++i) sum ^= static_cast<int32_t>(static_cast<int8_t>(reply[i]));
    // The text ends at offset 1541, so at most three digits are read. A byte
    // of 0x80 or above makes the sum negative unless another one cancels it,
    // and no hexadecimal text matches a negative sum.
    int32_t sent = 0;
    for (size_t i = kChecksumOffset; i < kReplyLength; ++i) {
        const int digit = hexValue(reply[i]);
        if (digit < 0) break;
        sent = sent * 16 + digit;
    }
    return sum == sent;
}

int32_t FieldValue(const char* field) {
    // A sensor may write a negative number with its sign apart from the
    // digits ("-   7"); the spaces after a minus sign are its zeros. Both the
    // mend and the reading stay inside the field: a sign or a number running
    // on into the next field would give the wrong value, and the setup
    // program writes what it read back to the sensor.
    char text[kFieldWidth + 1] = {};
    for (size_t i = 0; i < kFieldWidth && field[i] != 0; ++i) text[i] = field[i];
    for (size_t i = 0; i < kFieldWidth; ++i) {
        if (text[i] != '-') continue;
        for (size_t k = i + 1; k < kFieldWidth && text[k] == ' '; ++k) text[k] = '0';
    }

    const char* c = text;
    while (isSpace(*c)) ++c;
    const bool negative = *c == '-';
    if (*c == '-' || *c == '+') ++c;
    int64_t value = 0;
    // Six characters hold at most six digits; the limit only keeps the sum
    // finite should the field ever grow.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    for (; isDigit(*c); ++c)
        if (value < kLimit) value = value * 10 + (*c - '0');
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

void DecodeReply(const char* reply, VariableTable& table) {
    for (size_t k = 0; k < table.size(); ++k) table[k] = FieldValue(reply + kFirstField + kFieldWidth * k);
}

}  // namespace variableframes
