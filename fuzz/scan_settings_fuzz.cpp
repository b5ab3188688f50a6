// The scanner's settings file from bytes: any file loads, every stored field
// is set (from the file or its default, never left from before), and the
// record written back with the entries the scanner saves loads again as the
// same record without a single missing-entry box.
//
// Input: flags, then the file's bytes.

#include "fuzz/fuzz_support.h"
#include "scan/scan_settings.h"
#include "sensorlink/settings_codec.h"
#include "sensorlink/settings_file.h"

#include <string>

namespace {

bool sameStoredFields(const ScanSettings& a, const ScanSettings& b) {
    return a.ISPort == b.ISPort && a.ISAddress == b.ISAddress && a.comParameters == b.comParameters;
}

// A record that differs from the defaults in every stored field.
ScanSettings oddRecord() {
    ScanSettings s;
    s.ISPort = -7;
    s.ISAddress = 99;
    s.comParameters = ComParameters{1, 2, 3, 4, 5, 6, 7, 8, 9};
    return s;
}

// The scanner's file as it saves it.
std::string fileOf(const ScanSettings& s) {
    SettingsText text(2);
    WriteScanSettingsEntries(text, s);
    return text.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::installSilentBoxes();
    fuzzsupport::Input in(data, size);
    setCodecLanguage(in.byte() & 1 ? CodecLanguage::English : CodecLanguage::German);
    // As the loader holds a file: the bytes up to the first zero, then two zeros.
    const SettingsText text = SettingsText::fromBytes(reinterpret_cast<const char*>(in.restData()), in.restSize());

    ScanSettings loaded;
    ParseScanSettings(text.c_str(), loaded);
    ScanSettings other = oddRecord();
    ParseScanSettings(text.c_str(), other);
    FUZZ_CHECK(sameStoredFields(loaded, other));

    const std::string saved = fileOf(loaded);
    ScanSettings again = oddRecord();
    fuzzsupport::boxCount() = 0;
    ParseScanSettings(saved.c_str(), again);
    FUZZ_CHECK(fuzzsupport::boxCount() == 0);
    FUZZ_CHECK(sameStoredFields(loaded, again));
    return 0;
}
