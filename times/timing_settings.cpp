#include "times/timing_settings.h"

#include "platform/c_numbers.h"
#include "platform/files.h"
#include "platform/message_box.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

const char* const kTimingSettingsFile = "KV275Times.ini";

namespace {

// The file is a few kilobytes at most. A larger one is read up to here and
// its beginning still counts: the values the user set are at the front.
constexpr uint64_t kMaxSettingsFileBytes = 1024 * 1024;
constexpr size_t kSaveTextSize = 4096;
constexpr size_t kMaxValueLength = 254;  // a 256-byte buffer less its two zero bytes

void showError(const char* text, const char* title) {
    platform::MessageBox(nullptr, text, title, platform::MsgIcon::Error, platform::MsgButtons::Ok);
}

int32_t clampedAddressCount(int32_t count) { return std::clamp(count, 0, TimingSettings::kMaxAddresses); }

std::string filePath(const std::string& directory) {
    return directory.empty() ? std::string(kTimingSettingsFile) : directory + "/" + kTimingSettingsFile;
}

// Takes the key's value into the field when the file gives one.
void takeValue(const char* text, const char* key, int32_t& field) {
    char value[256];
    FindKeyValue(text, key, value);
    if (value[0] != '\0') field = platform::atolInt32(value);
}

void appendLine(std::string& text, const char* key, long value) {
    text += key;
    text += ' ';
    text += std::to_string(value);
    text += "\r\n";
}

}  // namespace

TimingSettings::TimingSettings() {
    ISPort = 2;
    // The current address stays 0 (all sensors) in this program; it only
    // serves the device check when the port is opened.
    ISAddress = 0;
    // The run's line settings are fixed and never read from the file. They are
    // set here in full so that a change to the shared record's defaults cannot
    // change this program's line.
    comParameters = ComParameters{9600, 8, 0, 0, 200, 7, 124, 0, 0};
    addresses.fill(-1);
}

void FindKeyValue(const char* text, const char* key, char value[256]) {
    value[0] = '\0';
    value[1] = '\0';
    if (!text || !key) return;
    const char* at = std::strstr(text, key);
    if (!at) return;
    at += std::strlen(key);
    while (*at == ':' || *at == ' ') ++at;
    const char* end = std::strpbrk(at, "\r\t");
    // A value the text ends in without a line end is taken as unfinished.
    if (!end) return;
    const size_t length = std::min(static_cast<size_t>(end - at), kMaxValueLength);
    std::memcpy(value, at, length);
    value[length] = '\0';
    value[length + 1] = '\0';
}

std::string FormatTimingSettings(const TimingSettings& settings) {
    std::string text;
    text.reserve(kSaveTextSize);
    appendLine(text, "rows", settings.rows);
    appendLine(text, "columns", settings.columns);
    appendLine(text, "rowdiff", settings.rowdiff);
    appendLine(text, "columndiff", settings.columndiff);
    appendLine(text, "ISPort", settings.ISPort);
    appendLine(text, "ISAddressNumber", settings.addressCount);
    appendLine(text, "AddressFormat", settings.addressFormat);
    // The dialog keeps the count within the list; the clamp keeps a record
    // set up any other way from reading past it.
    const int32_t count = clampedAddressCount(settings.addressCount);
    for (int32_t i = 0; i < count; ++i) {
        text += "ISAddress[";
        text += std::to_string(i);
        text += "] ";
        text += std::to_string(settings.addresses[static_cast<size_t>(i)]);
        text += (i + 1) % 10 == 0 ? "\r\n" : "\t";
    }
    return text;
}

void ParseTimingSettings(const char* text, TimingSettings& settings) {
    takeValue(text, "rows", settings.rows);
    takeValue(text, "columns", settings.columns);
    takeValue(text, "rowdiff", settings.rowdiff);
    takeValue(text, "columndiff", settings.columndiff);
    int32_t port = settings.ISPort;
    takeValue(text, "ISPort", port);
    settings.ISPort = static_cast<int8_t>(static_cast<uint8_t>(port));  // the low 8 bits, as stored
    takeValue(text, "ISAddressNumber", settings.addressCount);
    takeValue(text, "AddressFormat", settings.addressFormat);

    // The count decides how many entries are read into the list of 78, so a
    // hand-edited count beyond it must not reach past the list. The entries
    // themselves are kept as read; the dialog decides what an odd one shows.
    settings.addressCount = clampedAddressCount(settings.addressCount);
    for (int32_t i = 0; i < settings.addressCount; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "ISAddress[%ld]", static_cast<long>(i));
        takeValue(text, key, settings.addresses[static_cast<size_t>(i)]);
    }
}

void LoadTimingSettings(TimingSettings& settings) {
    // The file is read and later written by its full name, so the current
    // directory is never changed (the port names resolve against it).
    if (settings.startDirectory.empty()) settings.startDirectory = platform::currentDirectory();

    std::vector<char> text;
    bool readShort = false;
    try {
        platform::FileReadResult file = platform::readOrCreateFile(filePath(settings.startDirectory),
                                                                   kMaxSettingsFileBytes);
        // A file that cannot be opened keeps the defaults without a word; so
        // does a directory under the file's name, which opens but is no file.
        const bool notOpened = file.error != 0 && file.size == 0 && file.bytes.empty();
        if (notOpened || file.error == EISDIR) return;
        readShort = file.error != 0 || file.bytes.size() < file.size;
        text = std::move(file.bytes);
        text.insert(text.end(), 2, '\0');
    } catch (const std::bad_alloc&) {
        showError("Not enough heap memory for initialization-file.", "Memory Error");
        return;
    }
    // What did arrive is still used: the file's front holds the values.
    if (readShort) showError("Error on reading the initialization-file.", "File Error");
    ParseTimingSettings(text.data(), settings);
}

void SaveTimingSettings(const TimingSettings& settings) {
    const std::string text = FormatTimingSettings(settings);
    platform::WriteStage stage = platform::WriteStage::None;
    const int err = platform::writeFileAtomically(filePath(settings.startDirectory), text, &stage);
    // A file that may not be written (or no room next to it for the new one)
    // is passed over in silence; only a write that began and failed is told.
    if (err != 0 && stage == platform::WriteStage::Write)
        showError("Error on writing to the initialization-file.", "File Error");
}
