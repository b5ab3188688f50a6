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

void readEntries(const char* text, SetupSettings& settings) {
    const SetupSettings d;
    ComParameters& c = settings.comParameters;
    const ComParameters& dc = d.comParameters;
    const char* s = kSetupComSection;

    uint8_t port = 0;
    ReadByteEntry(text, s, "ISPort", -1, port, static_cast<uint8_t>(d.ISPort));
    settings.ISPort = static_cast<int8_t>(port);
    ReadLongEntry(text, s, "BaudRate", -1, c.BaudRate, dc.BaudRate);
    ReadByteEntry(text, s, "ByteSize", -1, c.ByteSize, dc.ByteSize);
    ReadByteEntry(text, s, "Parity", -1, c.Parity, dc.Parity);
    ReadByteEntry(text, s, "StopBits", -1, c.StopBits, dc.StopBits);
    ReadLongEntry(text, s, "ReadIntervalTimeout", -1, c.ReadIntervalTimeout, dc.ReadIntervalTimeout);
    ReadLongEntry(text, s, "ReadTotalTimeoutMultiplier", -1, c.ReadTotalTimeoutMultiplier,
                  dc.ReadTotalTimeoutMultiplier);
    ReadLongEntry(text, s, "ReadTotalTimeoutConstant", -1, c.ReadTotalTimeoutConstant, dc.ReadTotalTimeoutConstant);
    ReadLongEntry(text, s, "WriteTotalTimeoutMultiplier", -1, c.WriteTotalTimeoutMultiplier,
                  dc.WriteTotalTimeoutMultiplier);
    ReadLongEntry(text, s, "WriteTotalTimeoutConstant", -1, c.WriteTotalTimeoutConstant, dc.WriteTotalTimeoutConstant);
    ReadByteEntry(text, kSetupUserInterfaceSection, "ShowAddressQuestion", -1, settings.ShowAddressQuestion,
                  d.ShowAddressQuestion);
}

void writeEntries(SettingsText& text, const SetupSettings& settings) {
    const ComParameters& c = settings.comParameters;
    const char* s = kSetupComSection;
    WriteByteEntry(text, s, "ISPort", -1, static_cast<uint8_t>(settings.ISPort));
    WriteLongEntry(text, s, "BaudRate", -1, c.BaudRate);
    WriteByteEntry(text, s, "ByteSize", -1, c.ByteSize);
    WriteByteEntry(text, s, "Parity", -1, c.Parity);
    WriteByteEntry(text, s, "StopBits", -1, c.StopBits);
    WriteLongEntry(text, s, "ReadIntervalTimeout", -1, c.ReadIntervalTimeout);
    WriteLongEntry(text, s, "ReadTotalTimeoutMultiplier", -1, c.ReadTotalTimeoutMultiplier);
    WriteLongEntry(text, s, "ReadTotalTimeoutConstant", -1, c.ReadTotalTimeoutConstant);
    WriteLongEntry(text, s, "WriteTotalTimeoutMultiplier", -1, c.WriteTotalTimeoutMultiplier);
    WriteLongEntry(text, s, "WriteTotalTimeoutConstant", -1, c.WriteTotalTimeoutConstant);
    WriteByteEntry(text, kSetupUserInterfaceSection, "ShowAddressQuestion", -1, settings.ShowAddressQuestion);
}

}  // namespace

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
        readEntries(text->c_str(), loaded);
    else
        applyDefaults(loaded);
    settings = loaded;
    return true;
}

bool SaveSetupSettings(const SetupSettings& settings) {
    setCodecLanguage(CodecLanguage::English);
    WriteSettingsFile(settings.startDirectory, kSetupSettingsFile, kBoxes,
                      [&](SettingsText& text) { writeEntries(text, settings); });
    return true;
}
