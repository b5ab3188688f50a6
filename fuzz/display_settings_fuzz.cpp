// The angle display's settings file and typed address on any bytes: the port
// is always 1..8, the one atoi's low eight bits name in the first 255 bytes
// (else 2); the address index is always 0..78, the number at the
// text's start less 177, held there; and every port written reads back.
//
// Input: a byte for the round trip, then the file's content (zero bytes
// included: the reader's text ends at the first one).

#include "fuzz/fuzz_support.h"
#include "tiltview/angle_poll.h"
#include "tiltview/tiltview_settings.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

long long atoll32(const std::string& text) {
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    return std::clamp<long long>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
}

// The reader's buffer holds 255 bytes: what lies beyond is never read (and a
// file that long is refused before its text is looked at).
int8_t referencePort(const std::string& content) {
    const std::string read = content.substr(0, tiltsettings::kMaxFileBytes);
    const std::string text = read.substr(0, read.find('\0'));
    const int8_t low = static_cast<int8_t>(static_cast<uint8_t>(atoll32(text) & 0xFF));
    return low >= 1 && low <= 8 ? low : 2;
}

int referenceIndex(const std::string& text) {
    return static_cast<int>(std::clamp<long long>(atoll32(text) - 177, 0, 78));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::Input in(data, size);
    const int8_t written = static_cast<int8_t>(in.byte());
    const std::string content = in.rest();

    const int8_t port = tiltsettings::PortOfText(content);
    FUZZ_CHECK(port >= 1 && port <= 8);
    FUZZ_CHECK(port == referencePort(content));

    const std::string text = content.substr(0, content.find('\0'));
    const int8_t index = tiltpoll::AddressIndexOfText(text.c_str());
    FUZZ_CHECK(index >= 0 && index <= 78);
    FUZZ_CHECK(index == referenceIndex(text));

    const std::string stored = tiltsettings::PortText(written);
    const int8_t back = tiltsettings::PortOfText(stored);
    FUZZ_CHECK(back == (written >= 1 && written <= 8 ? written : 2));
    return 0;
}
