#include "setup/setup_settings.h"

#include "platform/files.h"
#include "sensorlink/settings_codec.h"
#include "sensorlink/settings_file.h"

#include <optional>

const char* const kSetupSettingsFile = "KV275Setup.ini";
const char* const kSetupComSection = "[INCLINATION SENSOR COMPARAMETERS]";
const char* const kSetupUserInterfaceSection = "[USER INTERFACE PARAMETERS]";

namespace {

const SettingsFileBoxes kBoxes = {
    .noMemoryAtLoad = {"Not enough heap memory for the initialisationfile.", "Memory Error"},
    .noMemoryAtSave = {"Not enough heap memory for the initialisationfile.", "DORVE Error"},
    .readError = {"Error while reading from the initialisationfile.", "File Error"},
    .writeError = {"Error while writing to the initialisationfile.", "File Error"},
};

// The stored part of the record takes the setup's defaults; the run-time
// fields stay as they are.
void applyDefaults(SetupSettings& settings) {
    const SetupSettings defaults;
    settings.ISPort = defaults.ISPort;
    settings.comParameters = defaults.comParameters;
    settings.ShowAddressQuestion = defaults.ShowAddressQuestion;
}

}  // namespace

void ParseSetupSettings(const char* text, SetupSettings& settings) {
    const SetupSettings d;
    ComParameters& c = settings.comParameters;
    const ComParameters& dc = d.comParameters;
    const char* s = kSetupComSection;

    ReadSignedByteEntry(text, s, "ISPort", settings.ISPort, d.ISPort);
    ReadComParameterEntries(text, s, c, dc);
    ReadByteEntry(text, kSetupUserInterfaceSection, "ShowAddressQuestion", -1, settings.ShowAddressQuestion,
                  d.ShowAddressQuestion);
}

void WriteSetupSettingsEntries(SettingsText& text, const SetupSettings& settings) {
    const char* s = kSetupComSection;
    WriteByteEntry(text, s, "ISPort", -1, static_cast<uint8_t>(settings.ISPort));
    WriteComParameterEntries(text, s, settings.comParameters);
    WriteByteEntry(text, kSetupUserInterfaceSection, "ShowAddressQuestion", -1, settings.ShowAddressQuestion);
}

bool LoadSetupSettings(SetupSettings& settings) {
    // The setup program speaks English throughout; setting it here keeps the
    // missing-entry boxes right whoever calls the load.
    setCodecLanguage(CodecLanguage::English);

    // Filled aside and put in place whole, so the record never holds a mix
    // of old and new values.
    SetupSettings loaded = settings;
    loaded.startDirectory = platform::currentDirectory();
    loaded.ISAddress = 0;
    const std::optional<SettingsText> text = ReadSettingsFile(kSetupSettingsFile, kBoxes);
    if (text)
        ParseSetupSettings(text->c_str(), loaded);
    else
        applyDefaults(loaded);
    settings = loaded;
    return true;
}

bool SaveSetupSettings(const SetupSettings& settings) {
    setCodecLanguage(CodecLanguage::English);
    WriteSettingsFile(settings.startDirectory, kSetupSettingsFile, kBoxes,
                      [&](SettingsText& text) { WriteSetupSettingsEntries(text, settings); });
    return true;
}
