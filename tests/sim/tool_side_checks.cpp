#include "tests/sim/tool_side_checks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace simtest {
namespace {

int32_t signedXor(const char* data, size_t count) {
    int32_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum ^= static_cast<int32_t>(static_cast<signed char>(data[i]));
    return sum;
}

// The tools read into a buffer that is zero-terminated twice after the data.
std::vector<char> terminated(const std::vector<uint8_t>& reply) {
    std::vector<char> buffer(reply.begin(), reply.end());
    buffer.push_back(0);
    buffer.push_back(0);
    return buffer;
}

}  // namespace

std::string angleReplyProblem(const std::vector<uint8_t>& reply) {
    const std::vector<char> b = terminated(reply);
    if (std::strlen(b.data()) != 11) return "length " + std::to_string(std::strlen(b.data()));
    if (signedXor(b.data(), 8) != std::strtol(b.data() + 8, nullptr, 16)) return "checksum";
    for (int i = 1; i <= 6; ++i) {
        const char c = b[static_cast<size_t>(i)];
        if (!((c >= '0' && c <= '9') || c == ',' || c == '.')) return "character " + std::to_string(i);
    }
    return {};
}

double decodeAngle(const std::vector<uint8_t>& reply) {
    const std::string c(reply.begin() + 1, reply.begin() + 7);
    double value = std::atof(c.c_str());
    const auto digit = [](char ch) { return ch >= '0' && ch <= '9'; };
    if (c[3] == ',' && digit(c[4])) {
        value += (c[4] - '0') * 0.1;
        if (digit(c[5])) value += (c[5] - '0') * 0.01;
    }
    return value;
}

std::string variableReplyProblem(const std::vector<uint8_t>& reply, std::array<int32_t, 256>& table) {
    std::vector<char> b = terminated(reply);
    if (std::strlen(b.data()) != 1541) return "length " + std::to_string(std::strlen(b.data()));
    if (signedXor(b.data(), 1538) != std::strtol(b.data() + 1538, nullptr, 16)) return "checksum";
    for (size_t i = 1; i <= 1536; ++i) {
        if (b[i] != '-') continue;
        for (size_t k = i + 1; k <= 1536 && b[k] == ' '; ++k) b[k] = '0';
    }
    for (size_t k = 0; k < 256; ++k) table[k] = static_cast<int32_t>(std::atol(b.data() + 1 + 6 * k));
    return {};
}

std::vector<uint8_t> writeFrame(uint8_t address, int variable, long value) {
    char number[16];
    char text[32];
    std::snprintf(number, sizeof number, "%03d\r", variable);
    std::snprintf(text, sizeof text, "%05ld\r", value);
    std::string covered = "\x02" + std::string(number) + text + "\x17";
    int sum = 0;
    for (char c : covered) sum ^= static_cast<uint8_t>(c);
    char checksum[8];
    std::snprintf(checksum, sizeof checksum, "%02X", sum);
    std::vector<uint8_t> frame{address, 0x12};
    frame.insert(frame.end(), covered.begin(), covered.end());
    frame.insert(frame.end(), checksum, checksum + 2);
    frame.push_back('$');
    return frame;
}

}  // namespace simtest
