// Reading entries of the keyed settings text: any text, section, key, index,
// caller's buffer size and default. Each result is held against the reading
// rules written out again on std::string_view, and the caller's buffer lives
// on the heap at exactly its stated size, so a byte written past it stops the
// run.
//
// Input: flags, buffer size, index (4 bytes), then text, section, key and
// default, each ending at a zero byte.

#include "fuzz/fuzz_support.h"
#include "sensorlink/settings_codec.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

// The value of `key` (with `[index]` when index >= 0) in the first occurrence
// of `section`: the entry must start before the first CR LF "[" after the
// section name, and its value runs to the next CR LF or the end of the text.
std::optional<std::string_view> referenceValue(std::string_view text, std::string_view section,
                                               std::string_view key, int32_t index) {
    const size_t at = text.find(section);
    if (at == std::string_view::npos) return std::nullopt;
    const size_t body = at + section.size();
    const size_t sectionEnd = std::min(text.find("\r\n[", body), text.size());
    std::string pattern(key);
    if (index >= 0) pattern += "[" + std::to_string(index) + "]";
    pattern += "=";
    const size_t match = text.find(pattern, body);
    if (match == std::string_view::npos || match >= sectionEnd) return std::nullopt;
    const size_t start = match + pattern.size();
    const size_t lineEnd = text.find("\r\n", start);
    return text.substr(start, lineEnd == std::string_view::npos ? std::string_view::npos : lineEnd - start);
}

// What the caller's buffer of `size` bytes must hold for `value`: the value
// cut to size - 2 characters, then two zero bytes.
void checkBuffer(const char* buffer, size_t size, std::string_view value) {
    if (size == 0) return;
    if (size == 1) {
        FUZZ_CHECK(buffer[0] == '\0');
        return;
    }
    const size_t n = std::min(value.size(), size - 2);
    FUZZ_CHECK(std::memcmp(buffer, value.data(), n) == 0);
    FUZZ_CHECK(buffer[n] == '\0');
    FUZZ_CHECK(buffer[n + 1] == '\0');
}

// A decimal number as the C library's strtod reads it, limited to the forms
// the settings file knows (no "inf", "nan" or hexadecimal): blanks, a sign,
// digits with a fraction, an exponent. Truncated toward zero, the low 32 bits
// kept; a value out of double's range gives 0.
uint32_t referenceLow32(const char* text) {
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r') ++p;
    const char* numberStart = p;
    if (*p == '+' || *p == '-') ++p;
    if (!((*p >= '0' && *p <= '9') || *p == '.')) return 0;
    const char* q = p;
    while (*q >= '0' && *q <= '9') ++q;
    if (*q == '.') {
        ++q;
        while (*q >= '0' && *q <= '9') ++q;
    }
    if (*q == 'e' || *q == 'E') {
        const char* e = q + 1;
        if (*e == '+' || *e == '-') ++e;
        if (*e >= '0' && *e <= '9') {
            while (*e >= '0' && *e <= '9') ++e;
            q = e;
        }
    }
    const std::string number(numberStart, q);
    errno = 0;
    const double value = std::strtod(number.c_str(), nullptr);
    if (errno == ERANGE && std::fabs(value) > 1.0) return 0;
    if (!std::isfinite(value)) return 0;
    const double t = std::trunc(value);
    double wrapped = std::fmod(t, 4294967296.0);
    if (wrapped < 0) wrapped += 4294967296.0;
    return static_cast<uint32_t>(wrapped);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::installSilentBoxes();
    fuzzsupport::Input in(data, size);
    const uint8_t flags = in.byte();
    const size_t valueSize = in.byte();
    const int32_t index = in.i32();
    const std::string text = in.text();
    const std::string section = in.text();
    const std::string key = in.text();
    const std::string defaultValue = in.text();
    setCodecLanguage(flags & 1 ? CodecLanguage::English : CodecLanguage::German);

    const std::optional<std::string_view> expected = referenceValue(text, section, key, index);

    // The caller's buffer, exactly as large as it says.
    std::unique_ptr<char[]> value(new char[valueSize]);
    const bool found = ReadEntry(text.c_str(), section.c_str(), key.c_str(), index, value.get(), valueSize,
                                 defaultValue.c_str());
    FUZZ_CHECK(found == expected.has_value());
    checkBuffer(value.get(), valueSize, found ? *expected : std::string_view(defaultValue));

    // The number readers read through a buffer of 256 bytes.
    std::string cut = found ? std::string(expected->substr(0, 254)) : std::string();
    const uint8_t byteDefault = static_cast<uint8_t>(flags >> 1);
    uint8_t byte = static_cast<uint8_t>(~byteDefault);
    ReadByteEntry(text.c_str(), section.c_str(), key.c_str(), index, byte, byteDefault);
    FUZZ_CHECK(byte == (found ? static_cast<uint8_t>(std::strtoll(cut.c_str(), nullptr, 10)) : byteDefault));

    const uint32_t longDefault = static_cast<uint32_t>(index) * 2654435761u;
    uint32_t number = ~longDefault;
    ReadLongEntry(text.c_str(), section.c_str(), key.c_str(), index, number, longDefault);
    FUZZ_CHECK(number == (found ? referenceLow32(cut.c_str()) : longDefault));
    return 0;
}
