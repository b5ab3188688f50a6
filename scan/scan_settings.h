#pragma once
// The scanner's program-wide settings record and its file "KV275Scan.ini".

#include "sensorlink/session_settings.h"

#include <string>

class SettingsText;

struct ScanSettings : SessionSettings {
    // Run-time only, never saved.
    std::string startDirectory;  // current directory at start-up; the file is written there
    int timerId = 0;             // the window timer's identifier, 0 when none runs
    int tickGuard = 0;           // re-entry counter of the timer handler
};

extern const char* const kScanSettingsFile;     // "KV275Scan.ini"
extern const char* const kScanSettingsSection;  // "[INCLINATION SENSOR COMPARAMETERS]"

// Fills the stored fields of the record from a settings text (zero-terminated,
// as read from the file); every missing entry is reported in its own box and
// takes its default. Touches nothing else, so any bytes can be given to it.
void ParseScanSettings(const char* text, ScanSettings& settings);

// The entries the scanner saves, written into a settings text.
void WriteScanSettingsEntries(SettingsText& text, const ScanSettings& settings);

// Fills the record from the file in the current directory (remembering that
// directory); missing entries are reported one box each and take defaults.
bool LoadScanSettings(ScanSettings& settings);
// Writes the record to the file in the remembered directory, atomically.
bool SaveScanSettings(const ScanSettings& settings);
