#pragma once
// The timing program's settings record and its file "KV275Times.ini": lines of
// "key value", the address list ten entries to a line separated by TABs.

#include "sensorlink/bus_address.h"
#include "sensorlink/session_settings.h"

#include <array>
#include <cstdint>
#include <string>

struct TimingSettings : SessionSettings {
    static constexpr int kMaxAddresses = kLastAddressIndex;  // one per single sensor

    TimingSettings();

    int32_t rows = 0;
    int32_t columns = 0;
    int32_t rowdiff = 2;        // dialog units added to the base row pitch
    int32_t columndiff = 2;     // dialog units added to the base column pitch
    int32_t addressCount = 0;   // valid entries at the front of `addresses`; 0..78 once loaded
    int32_t addressFormat = 0;  // 0: 0..78, 1: 177..255, 2: B1..FF (other values as read)
    std::array<int32_t, kMaxAddresses> addresses;  // address indexes as read; -1 where none

    // Run-time only, never saved.
    std::string startDirectory;  // current directory at start-up; the file lives there
    int timerId = 0;             // the run's window timer, 0 when none runs
};

extern const char* const kTimingSettingsFile;  // "KV275Times.ini"

// Copies the text after the first occurrence of `key` (a plain substring
// anywhere), past any colons and blanks, up to the next CR or TAB, into
// `value` with two zero bytes behind it. At most 254 characters are kept.
// The value stays empty when the key is missing or no CR or TAB follows it.
void FindKeyValue(const char* text, const char* key, char value[256]);

// The file's exact text for the record.
std::string FormatTimingSettings(const TimingSettings& settings);
// Takes every key found in `text` into the record; a missing or empty value
// leaves its field as it is. The address count is kept within 0..78.
void ParseTimingSettings(const char* text, TimingSettings& settings);

// Remembers the current directory (unless one is remembered already) and
// reads the file there; a missing file is created empty.
void LoadTimingSettings(TimingSettings& settings);
// Replaces the file in the remembered directory, atomically.
void SaveTimingSettings(const TimingSettings& settings);
