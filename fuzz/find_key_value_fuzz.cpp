// FindKeyValue on any text and key, with the caller's 256-byte buffer on the
// heap at exactly that size, so that a byte written past it stops the run.
// The value is held against the rule written out again on std::string_view.
//
// Input: the key, a zero byte, then the text.

#include "fuzz/fuzz_support.h"
#include "times/timing_settings.h"

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace {

// The text after the first occurrence of the key, past colons and blanks, up
// to the next CR or TAB, at most 254 characters; empty when the key is
// missing or no CR or TAB follows.
std::string referenceValue(std::string_view text, std::string_view key) {
    size_t at = text.find(key);
    if (at == std::string_view::npos) return {};
    at += key.size();
    while (at < text.size() && (text[at] == ':' || text[at] == ' ')) ++at;
    const size_t end = text.find_first_of("\r\t", at);
    if (end == std::string_view::npos) return {};
    return std::string(text.substr(at, std::min<size_t>(end - at, 254)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const std::string key = in.text();
    const std::string rest = in.rest();
    // The text as a C string on the heap: exactly its characters and the zero.
    const size_t length = strnlen(rest.data(), rest.size());
    std::unique_ptr<char[]> text(new char[length + 1]);
    std::memcpy(text.get(), rest.data(), length);
    text[length] = '\0';

    std::unique_ptr<char[]> value(new char[256]);
    std::memset(value.get(), '#', 256);
    FindKeyValue(text.get(), key.c_str(), value.get());

    const std::string expected = referenceValue(std::string_view(text.get(), length), key);
    FUZZ_CHECK(std::memcmp(value.get(), expected.data(), expected.size()) == 0);
    FUZZ_CHECK(value[expected.size()] == '\0');
    FUZZ_CHECK(value[expected.size() + 1] == '\0');
    return 0;
}
