#include "scan/scan_settings.h"

#include "platform/files.h"
#include "platform/message_box.h"
#include "sensorlink/settings_codec.h"

#include <cstdint>
#include <string>

const char* const kScanSettingsFile = "KV275Scan.ini";
const char* const kScanSettingsSection = "[INCLINATION SENSOR COMPARAMETERS]";

namespace {

// A settings file is a few hundred bytes. Of a larger file only this much is
// read: its entries stand at the start.
constexpr uint64_t kMaxSettingsFileBytes = 1024 * 1024;
constexpr size_t kSaveTextSize = 4096;

void showError(const char* text, const char* title) {
    platform::MessageBox(nullptr, text, title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

void applyDefaults(ScanSettings& settings) {
    const SessionSettings defaults;
    settings.ISPort = defaults.ISPort;
    settings.ISAddress = defaults.ISAddress;
    settings.comParameters = defaults.comParameters;
}

void readSigned(const char* text, const char* key, int8_t& field, int8_t defaultValue) {
    uint8_t byte = 0;
    ReadByteEntry(text, kScanSettingsSection, key, -1, byte, static_cast<uint8_t>(defaultValue));
    field = static_cast<int8_t>(byte);
}

void readEntries(const char* text, ScanSettings& settings) {
    const SessionSettings d;
    ComParameters& c = settings.comParameters;
    const char* s = kScanSettingsSection;
    readSigned(text, "ISPort", settings.ISPort, d.ISPort);
    readSigned(text, "ISAddress", settings.ISAddress, d.ISAddress);
    ReadLongEntry(text, s, "BaudRate", -1, c.BaudRate, d.comParameters.BaudRate);
    ReadByteEntry(text, s, "ByteSize", -1, c.ByteSize, d.comParameters.ByteSize);
    ReadByteEntry(text, s, "Parity", -1, c.Parity, d.comParameters.Parity);
    ReadByteEntry(text, s, "StopBits", -1, c.StopBits, d.comParameters.StopBits);
    ReadLongEntry(text, s, "ReadIntervalTimeout", -1, c.ReadIntervalTimeout, d.comParameters.ReadIntervalTimeout);
    ReadLongEntry(text, s, "ReadTotalTimeoutMultiplier", -1, c.ReadTotalTimeoutMultiplier,
                  d.comParameters.ReadTotalTimeoutMultiplier);
    ReadLongEntry(text, s, "ReadTotalTimeoutConstant", -1, c.ReadTotalTimeoutConstant,
                  d.comParameters.ReadTotalTimeoutConstant);
    ReadLongEntry(text, s, "WriteTotalTimeoutMultiplier", -1, c.WriteTotalTimeoutMultiplier,
                  d.comParameters.WriteTotalTimeoutMultiplier);
    ReadLongEntry(text, s, "WriteTotalTimeoutConstant", -1, c.WriteTotalTimeoutConstant,
                  d.comParameters.WriteTotalTimeoutConstant);
}

void writeEntries(SettingsText& text, const ScanSettings& settings) {
    const ComParameters& c = settings.comParameters;
    const char* s = kScanSettingsSection;
    WriteByteEntry(text, s, "ISPort", -1, static_cast<uint8_t>(settings.ISPort));
    WriteByteEntry(text, s, "ISAddress", -1, static_cast<uint8_t>(settings.ISAddress));
    WriteLongEntry(text, s, "BaudRate", -1, c.BaudRate);
    WriteByteEntry(text, s, "ByteSize", -1, c.ByteSize);
    WriteByteEntry(text, s, "Parity", -1, c.Parity);
    WriteByteEntry(text, s, "StopBits", -1, c.StopBits);
    WriteLongEntry(text, s, "ReadIntervalTimeout", -1, c.ReadIntervalTimeout);
    WriteLongEntry(text, s, "ReadTotalTimeoutMultiplier", -1, c.ReadTotalTimeoutMultiplier);
    WriteLongEntry(text, s, "ReadTotalTimeoutConstant", -1, c.ReadTotalTimeoutConstant);
    WriteLongEntry(text, s, "WriteTotalTimeoutMultiplier", -1, c.WriteTotalTimeoutMultiplier);
    WriteLongEntry(text, s, "WriteTotalTimeoutConstant", -1, c.WriteTotalTimeoutConstant);
}

}  // namespace

bool LoadScanSettings(ScanSettings& settings) {
    // The file is read by its relative name and later written by its full
    // name, so the current directory is never changed.
    settings.startDirectory = platform::currentDirectory();

    const platform::FileReadResult file = platform::readOrCreateFile(kScanSettingsFile, kMaxSettingsFileBytes);

    SettingsText text(2);
    if (!text.reserveExactly(file.bytes.size() + 2)) {
        showError("Nicht genügend Heap Speicher für das Initialisierungsfile.", "Memory Error");
        applyDefaults(settings);
        return true;
    }
    text = SettingsText::fromBytes(file.bytes.data(), file.bytes.size());
    // A short read, or a file cut at the limit, keeps what did arrive: the
    // entries stand at its start, and defaults would overwrite them at exit.
    if (file.error != 0 || file.bytes.size() < file.size)
        showError("Fehler beim Lesen des Initialisierungsfiles.", "File Error");

    readEntries(text.c_str(), settings);
    return true;
}

bool SaveScanSettings(const ScanSettings& settings) {
    SettingsText text(2);
    if (!text.reserveExactly(kSaveTextSize)) {
        showError("Nicht genügend Heap Speicher für das Initialisierungsfile.", "Error");
        return true;
    }
    writeEntries(text, settings);

    const std::string path = settings.startDirectory.empty()
                                 ? std::string(kScanSettingsFile)
                                 : settings.startDirectory + "/" + kScanSettingsFile;
    if (platform::writeFileAtomically(path, text.str()) != 0)
        showError("Fehler beim Schreiben des Initialisierungsfiles.", "File Error");
    return true;
}
