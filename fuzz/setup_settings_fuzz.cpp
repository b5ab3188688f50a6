// The setup tool's settings file from bytes: any file loads, every stored
// field is set (from the file or the setup's own default, never left from
// before), and the record written back with the entries the setup tool saves
// loads again as the same record without a single missing-entry box.
//
// Input: flags, then the file's bytes.

#include "fuzz/fuzz_support.h"
#include "sensorlink/settings_codec.h"
#include "sensorlink/settings_file.h"
#include "setup/setup_settings.h"

#include <string>

namespace {

bool sameStoredFields(const SetupSettings& a, const SetupSettings& b) {
    return a.ISPort == b.ISPort && a.comParameters == b.comParameters &&
           a.ShowAddressQuestion == b.ShowAddressQuestion;
}

// A record that differs from the setup's defaults in every stored field.
SetupSettings oddRecord() {
    SetupSettings s;
    s.ISPort = -7;
    s.comParameters = ComParameters{1, 2, 3, 4, 5, 6, 7, 8, 9};
    s.ShowAddressQuestion = 42;
    return s;
}

// The setup tool's file as it saves it.
std::string fileOf(const SetupSettings& s) {
    SettingsText text(2);
    WriteSetupSettingsEntries(text, s);
    return text.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::installSilentBoxes();
    fuzzsupport::Input in(data, size);
    setCodecLanguage(in.byte() & 1 ? CodecLanguage::English : CodecLanguage::German);
    // As the loader holds a file: the bytes up to the first zero, then two zeros.
    const SettingsText text = SettingsText::fromBytes(reinterpret_cast<const char*>(in.restData()), in.restSize());

    SetupSettings loaded;
    ParseSetupSettings(text.c_str(), loaded);
    SetupSettings other = oddRecord();
    ParseSetupSettings(text.c_str(), other);
    FUZZ_CHECK(sameStoredFields(loaded, other));

    const std::string saved = fileOf(loaded);
    SetupSettings again = oddRecord();
    fuzzsupport::boxCount() = 0;
    ParseSetupSettings(saved.c_str(), again);
    FUZZ_CHECK(fuzzsupport::boxCount() == 0);
    FUZZ_CHECK(sameStoredFields(loaded, again));
    return 0;
}
