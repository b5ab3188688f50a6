#pragma once
// "KV275Monitor.ini": the port, the sensors, the time window and the relative
// view, as lines of "key=value" under one section, CR LF line ends:
//   [KV275 MONITOR]
//   Port=1
//   Sensors=178,180,200
//   Window=60
//   Relative=0
// Read once at the start, without a word when it is missing or an entry
// makes no sense (that entry keeps its default); written when the window
// closes, however it closes, replacing the file in one step.

#include <string>
#include <vector>

namespace monitor {

extern const char* const kSettingsFile;  // "KV275Monitor.ini"

// The time windows the plot offers, in seconds; 0 is "everything".
inline constexpr int kWindowChoices[] = {10, 60, 600, 3600, 0};

struct MonitorSettings {
    int port = 1;                // 1 to 4
    std::vector<int> sensors;    // bus addresses 178..255, each once, in the order added
    int windowSeconds = 60;      // one of kWindowChoices
    bool relative = false;
};

MonitorSettings ParseMonitorSettings(const std::string& text);
std::string FormatMonitorSettings(const MonitorSettings& settings);

// From the file in `directory`; defaults when it is missing or unreadable.
MonitorSettings LoadMonitorSettings(const std::string& directory);
// Replaces the file in `directory` atomically. On failure the old file stays
// and `error` says why, as one line.
bool SaveMonitorSettings(const std::string& directory, const MonitorSettings& settings, std::string& error);

}  // namespace monitor
