// The timing tool's settings file from bytes: any file loads with the address
// count within 0..78 and no entry past it touched, and the format is closed
// under a save: the record saved and read again is the same record, and its
// text saves to the same text.
//
// Input: the file's bytes.

#include "fuzz/fuzz_support.h"
#include "times/timing_settings.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

bool sameStoredFields(const TimingSettings& a, const TimingSettings& b) {
    return a.rows == b.rows && a.columns == b.columns && a.rowdiff == b.rowdiff && a.columndiff == b.columndiff &&
           a.ISPort == b.ISPort && a.addressCount == b.addressCount && a.addressFormat == b.addressFormat &&
           a.addresses == b.addresses;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::installSilentBoxes();
    // As the loader holds a file: its bytes and two zeros, in a block of
    // exactly that size.
    std::vector<char> file(data, data + size);
    file.insert(file.end(), 2, '\0');

    TimingSettings loaded;
    ParseTimingSettings(file.data(), loaded);
    FUZZ_CHECK(loaded.addressCount >= 0 && loaded.addressCount <= TimingSettings::kMaxAddresses);
    const TimingSettings defaults;
    for (int32_t i = loaded.addressCount; i < TimingSettings::kMaxAddresses; ++i)
        FUZZ_CHECK(loaded.addresses[static_cast<size_t>(i)] == defaults.addresses[static_cast<size_t>(i)]);

    const std::string saved = FormatTimingSettings(loaded);
    TimingSettings again;
    ParseTimingSettings(saved.c_str(), again);
    FUZZ_CHECK(sameStoredFields(loaded, again));
    FUZZ_CHECK(FormatTimingSettings(again) == saved);
    return 0;
}
