// The typed-number and address readers of the dialogs against the C library:
// atolInt32 and strtolHexInt32 give what strtoll gives in base 10 and 16,
// held within 32 bits; addresstext::Parse and setuptexts::Typed follow their
// rules on top of that; and every address the grid shows reads back as the
// index it was made from.
//
// Input: an index and a format byte, then the text (zero bytes included: the
// readers see it up to the first one, as a C string).

#include "fuzz/fuzz_support.h"
#include "platform/c_numbers.h"
#include "setup/setup_texts.h"
#include "times/address_text.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

namespace {

int32_t clamped(long long v) {
    if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

int32_t referenceDecimal(const char* text) { return clamped(std::strtoll(text, nullptr, 10)); }
int32_t referenceHex(const char* text) { return clamped(std::strtoll(text, nullptr, 16)); }

// A leading digit reads decimal, a leading B to F hexadecimal; 177 and above
// are bus addresses, anything above 78 then counts as 78; a negative number or
// any other first character is no address.
std::optional<int32_t> referenceAddress(const std::string& text) {
    const char first = text.empty() ? '\0' : text[0];
    int32_t n = 0;
    if (first >= '0' && first <= '9')
        n = referenceDecimal(text.c_str());
    else if ((first >= 'B' && first <= 'F') || (first >= 'b' && first <= 'f'))
        n = referenceHex(text.c_str());
    else
        return std::nullopt;
    if (n >= 177) n -= 177;
    if (n > 78) n = 78;
    if (n < 0) return std::nullopt;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const int32_t index = static_cast<int8_t>(in.byte());
    const int32_t format = static_cast<int8_t>(in.byte());
    const std::string text = in.rest();

    FUZZ_CHECK(platform::atolInt32(text.c_str()) == referenceDecimal(text.c_str()));
    FUZZ_CHECK(platform::strtolHexInt32(text.c_str()) == referenceHex(text.c_str()));
    FUZZ_CHECK(addresstext::Parse(text) == referenceAddress(text));

    const std::optional<int32_t> typed = setuptexts::Typed(text);
    if (text.empty()) {
        FUZZ_CHECK(!typed.has_value());
    } else {
        FUZZ_CHECK(typed.has_value());
        FUZZ_CHECK(*typed == referenceDecimal(text.substr(0, 254).c_str()));
    }

    // What the grid shows for an index reads back as that index; an index
    // outside 0..78 shows as an empty field, which names no sensor.
    const std::string shown = addresstext::Format(index, format);
    if (index >= 0 && index <= 78) {
        FUZZ_CHECK(addresstext::Parse(shown) == index);
    } else {
        FUZZ_CHECK(shown.empty());
        FUZZ_CHECK(!addresstext::Parse(shown).has_value());
    }
    return 0;
}
