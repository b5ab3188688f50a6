#include "sensorlink/settings_file.h"

#include "platform/files.h"
#include "platform/message_box.h"

#include <cstdint>

namespace {

// A settings file is a few hundred bytes. Of a larger file only this much is
// read: its entries stand at the start.
constexpr uint64_t kMaxSettingsFileBytes = 1024 * 1024;
constexpr size_t kSaveTextSize = 4096;

void show(const SettingsFileBox& box) {
    platform::MessageBox(nullptr, box.text, box.title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

}  // namespace

std::optional<SettingsText> ReadSettingsFile(const char* name, const SettingsFileBoxes& boxes) {
    const platform::FileReadResult file = platform::readOrCreateFile(name, kMaxSettingsFileBytes);

    SettingsText text(2);
    if (!text.reserveExactly(file.bytes.size() + 2)) {
        show(boxes.noMemoryAtLoad);
        return std::nullopt;
    }
    text = SettingsText::fromBytes(file.bytes.data(), file.bytes.size());
    // Dropping a short read would let the defaults overwrite the user's values
    // at the next save.
    if (file.error != 0 || file.bytes.size() < file.size) show(boxes.readError);
    return text;
}

bool WriteSettingsFile(const std::string& startDirectory, const char* name, const SettingsFileBoxes& boxes,
                       const std::function<void(SettingsText&)>& writeEntries) {
    SettingsText text(2);
    if (!text.reserveExactly(kSaveTextSize)) {
        show(boxes.noMemoryAtSave);
        return false;
    }
    writeEntries(text);

    // Written by its full name, so a program that changed its current
    // directory in between still saves where it read.
    const std::string path = startDirectory.empty() ? std::string(name) : startDirectory + "/" + name;
    if (platform::writeFileAtomically(path, text.str()) != 0) {
        show(boxes.writeError);
        return false;
    }
    return true;
}

void ReadSignedByteEntry(const char* text, const char* section, const char* key, int8_t& field, int8_t defaultValue) {
    uint8_t byte = 0;
    ReadByteEntry(text, section, key, -1, byte, static_cast<uint8_t>(defaultValue));
    field = static_cast<int8_t>(byte);
}

void ReadComParameterEntries(const char* text, const char* s, ComParameters& c, const ComParameters& d) {
    ReadLongEntry(text, s, "BaudRate", -1, c.BaudRate, d.BaudRate);
    ReadByteEntry(text, s, "ByteSize", -1, c.ByteSize, d.ByteSize);
    ReadByteEntry(text, s, "Parity", -1, c.Parity, d.Parity);
    ReadByteEntry(text, s, "StopBits", -1, c.StopBits, d.StopBits);
    ReadLongEntry(text, s, "ReadIntervalTimeout", -1, c.ReadIntervalTimeout, d.ReadIntervalTimeout);
    ReadLongEntry(text, s, "ReadTotalTimeoutMultiplier", -1, c.ReadTotalTimeoutMultiplier,
                  d.ReadTotalTimeoutMultiplier);
    ReadLongEntry(text, s, "ReadTotalTimeoutConstant", -1, c.ReadTotalTimeoutConstant, d.ReadTotalTimeoutConstant);
    ReadLongEntry(text, s, "WriteTotalTimeoutMultiplier", -1, c.WriteTotalTimeoutMultiplier,
                  d.WriteTotalTimeoutMultiplier);
    ReadLongEntry(text, s, "WriteTotalTimeoutConstant", -1, c.WriteTotalTimeoutConstant, d.WriteTotalTimeoutConstant);
}

void WriteComParameterEntries(SettingsText& text, const char* s, const ComParameters& c) {
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
