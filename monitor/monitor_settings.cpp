#include "monitor/monitor_settings.h"

#include "platform/files.h"
#include "sensorlink/bus_address.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace monitor {

const char* const kSettingsFile = "KV275Monitor.ini";

namespace {

const char* const kSection = "[KV275 MONITOR]";
constexpr uint64_t kMaxFileBytes = 64 * 1024;  // a few hundred bytes are all it ever holds

std::string trimmed(const std::string& text) {
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// A whole decimal number, or nothing.
std::optional<long> wholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9') return std::nullopt;
    return std::stol(text);
}

std::vector<int> sensorList(const std::string& value) {
    std::vector<int> sensors;
    std::stringstream items(value);
    std::string item;
    while (std::getline(items, item, ',')) {
        const std::optional<long> a = TypedAddressNumber(trimmed(item));
        if (!a || *a <= kBroadcastAddress || *a > kLastAddress) continue;
        if (std::find(sensors.begin(), sensors.end(), *a) == sensors.end()) sensors.push_back(static_cast<int>(*a));
    }
    return sensors;
}

std::string filePath(const std::string& directory) {
    return directory.empty() ? std::string(kSettingsFile) : directory + "/" + kSettingsFile;
}

}  // namespace

MonitorSettings ParseMonitorSettings(const std::string& text) {
    MonitorSettings s;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = trimmed(line.substr(0, eq));
        const std::string value = trimmed(line.substr(eq + 1));
        const std::optional<long> number = wholeNumber(value);
        if (key == "Port" && number && *number >= 1 && *number <= 4) s.port = static_cast<int>(*number);
        else if (key == "Sensors") s.sensors = sensorList(value);
        else if (key == "Window" && number &&
                 std::find(std::begin(kWindowChoices), std::end(kWindowChoices), *number) != std::end(kWindowChoices))
            s.windowSeconds = static_cast<int>(*number);
        else if (key == "Relative" && number && (*number == 0 || *number == 1)) s.relative = *number == 1;
    }
    return s;
}

std::string FormatMonitorSettings(const MonitorSettings& s) {
    std::string sensors;
    for (int a : s.sensors) sensors += (sensors.empty() ? "" : ",") + std::to_string(a);
    return std::string(kSection) + "\r\nPort=" + std::to_string(s.port) + "\r\nSensors=" + sensors +
           "\r\nWindow=" + std::to_string(s.windowSeconds) + "\r\nRelative=" + (s.relative ? "1" : "0") + "\r\n";
}

MonitorSettings LoadMonitorSettings(const std::string& directory) {
    const platform::FileReadResult file = platform::readExistingFile(filePath(directory), kMaxFileBytes);
    if (file.error != 0 && file.bytes.empty()) return MonitorSettings{};
    return ParseMonitorSettings(std::string(file.bytes.begin(), file.bytes.end()));
}

bool SaveMonitorSettings(const std::string& directory, const MonitorSettings& settings, std::string& error) {
    const int err = platform::writeFileAtomically(filePath(directory), FormatMonitorSettings(settings));
    if (err == 0) return true;
    error = std::string(kSettingsFile) + " could not be written: " + std::strerror(err);
    return false;
}

}  // namespace monitor
