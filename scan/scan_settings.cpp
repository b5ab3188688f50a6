#include "scan/scan_settings.h"

#include "platform/files.h"
#include "sensorlink/settings_codec.h"
#include "sensorlink/settings_file.h"

#include <cstdint>
#include <optional>
#include <string>

const char* const kScanSettingsFile = "KV275Scan.ini";
const char* const kScanSettingsSection = "[INCLINATION SENSOR COMPARAMETERS]";

namespace {

const SettingsFileBoxes kBoxes = {
    .noMemoryAtLoad = {"Nicht genügend Heap Speicher für das Initialisierungsfile.", "Memory Error"},
    .noMemoryAtSave = {"Nicht genügend Heap Speicher für das Initialisierungsfile.", "Error"},
    .readError = {"Fehler beim Lesen des Initialisierungsfiles.", "File Error"},
    .writeError = {"Fehler beim Schreiben des Initialisierungsfiles.", "File Error"},
};

void applyDefaults(ScanSettings& settings) {
    const SessionSettings defaults;
    settings.ISPort = defaults.ISPort;
    settings.ISAddress = defaults.ISAddress;
    settings.comParameters = defaults.comParameters;
}

}  // namespace

void ParseScanSettings(const char* text, ScanSettings& settings) {
    const SessionSettings d;
    ComParameters& c = settings.comParameters;
    const char* s = kScanSettingsSection;
    ReadSignedByteEntry(text, s, "ISPort", settings.ISPort, d.ISPort);
    ReadSignedByteEntry(text, s, "ISAddress", settings.ISAddress, d.ISAddress);
    ReadComParameterEntries(text, s, c, d.comParameters);
}

void WriteScanSettingsEntries(SettingsText& text, const ScanSettings& settings) {
    const char* s = kScanSettingsSection;
    WriteByteEntry(text, s, "ISPort", -1, static_cast<uint8_t>(settings.ISPort));
    WriteByteEntry(text, s, "ISAddress", -1, static_cast<uint8_t>(settings.ISAddress));
    WriteComParameterEntries(text, s, settings.comParameters);
}

bool LoadScanSettings(ScanSettings& settings) {
    settings.startDirectory = platform::currentDirectory();
    const std::optional<SettingsText> text = ReadSettingsFile(kScanSettingsFile, kBoxes);
    if (!text) {
        applyDefaults(settings);
        return true;
    }
    ParseScanSettings(text->c_str(), settings);
    return true;
}

bool SaveScanSettings(const ScanSettings& settings) {
    WriteSettingsFile(settings.startDirectory, kScanSettingsFile, kBoxes,
                      [&](SettingsText& text) { WriteScanSettingsEntries(text, settings); });
    return true;
}
