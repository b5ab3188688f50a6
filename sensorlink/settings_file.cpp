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
