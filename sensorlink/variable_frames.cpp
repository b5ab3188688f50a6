#include "sensorlink/variable_frames.h"

#include "platform/c_numbers.h"
#include "sensorlink/bus_address.h"

#include <cstdio>
#include <cstring>

namespace variableframes {
namespace {

// The XOR of a text's bytes.
unsigned xorOf(const std::string& text) {
    unsigned sum = 0;
    for (char c : text) sum ^= static_cast<unsigned char>(c);
    return sum;
}

}  // namespace

std::string AddressItem(uint16_t index) { return std::string(1, AddressByte(index)); }

std::array<std::string, 2> ReadRequest(uint16_t index) { return {AddressItem(index), std::string(1, DC1)}; }

std::array<std::string, 8> WriteRequest(uint16_t index, int32_t number, int32_t value) {
    // Room for any 32-bit number with its sign.
    char numberText[16];
    char valueText[16];
    std::snprintf(numberText, sizeof numberText, "%03d", static_cast<int>(number));
    std::snprintf(valueText, sizeof valueText, "%05ld", static_cast<long>(value));
    const std::string numberItem = numberText + std::string(1, CR);
    const std::string valueItem = valueText + std::string(1, CR);

    // Every byte from STX to ETB is ASCII, so the sum fits two digits.
    const unsigned sum = (STX ^ ETB) ^ xorOf(numberItem) ^ xorOf(valueItem);
    char checksum[16];  // room for any unsigned, though the sum fills two digits
    std::snprintf(checksum, sizeof checksum, "%02X", sum & 0xFFu);

    return {AddressItem(index), std::string(1, DC2), std::string(1, STX), numberItem, valueItem,
            std::string(1, ETB), checksum, std::string(1, FrameEnd)};
}

bool IsGoodReply(const char* reply) {
    if (std::strlen(reply) != kReplyLength) return false;
    int32_t sum = 0;
    for (size_t i = 0; i < kChecksumOffset; ++i) sum ^= static_cast<int32_t>(static_cast<int8_t>(reply[i]));
    // Digits only, no blanks, sign or "0x" before them. The text ends at
    // offset 1541, so at most three digits are read. A byte of 0x80 or above
    // makes the sum negative unless another one cancels it, and no
    // hexadecimal text matches a negative sum.
    int32_t sent = 0;
    for (size_t i = kChecksumOffset; i < kReplyLength; ++i) {
        const int digit = platform::hexDigitValue(reply[i]);
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
    // Read as atol reads, whatever the locale: a GUI program takes the
    // user's, which must not change what counts as white space.
    return platform::atolInt32(text);
}

void DecodeReply(const char* reply, VariableTable& table) {
    for (size_t k = 0; k < table.size(); ++k) table[k] = FieldValue(reply + kFirstField + kFieldWidth * k);
}

}  // namespace variableframes
