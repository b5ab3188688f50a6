#include "tiltview/tiltview_settings.h"

#include "platform/c_numbers.h"
#include "platform/files.h"

#include <cstdio>
#include <cstring>

const char* const kTiltviewSettingsFile = "Tiltview.ini";

namespace tiltsettings {

namespace {

std::string filePath(const std::string& directory) {
    return directory.empty() ? std::string(kTiltviewSettingsFile) : directory + "/" + kTiltviewSettingsFile;
}

}  // namespace

int8_t PortOfText(std::string_view content) {
    // The text ends at the count read, behind two zero bytes as every text
    // the program reads.
    char text[kMaxFileBytes + 2] = {};
    const size_t length = content.size() < kMaxFileBytes ? content.size() : kMaxFileBytes;
    if (length > 0) std::memcpy(text, content.data(), length);
    const uint32_t number = static_cast<uint32_t>(platform::atolInt32(text));
    const auto port = static_cast<int8_t>(static_cast<uint8_t>(number & 0xFFu));
    return ValidPort(port);
}

int8_t ValidPort(int port) {
    return port >= CPortLink::kFirstPort && port <= CPortLink::kLastPort ? static_cast<int8_t>(port) : kDefaultPort;
}

std::string PortText(int8_t port) {
    char text[8];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(port));
    return text;
}

int8_t LoadPort(const std::string& directory) {
    const platform::FileReadResult file = platform::readExistingFile(filePath(directory), kMaxFileBytes);
    if (file.error != 0 || file.bytes.size() != file.size) return kDefaultPort;
    return PortOfText(std::string_view(file.bytes.data(), file.bytes.size()));
}

int SavePort(const std::string& directory, int8_t port) {
    return platform::writeFileAtomically(filePath(directory), PortText(port));
}

}  // namespace tiltsettings
