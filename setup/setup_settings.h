#pragma once
// The setup program's program-wide settings record and its file "KV275Setup.ini".

#include "sensorlink/com_parameters.h"
#include "sensorlink/session_settings.h"

#include <cstdint>
#include <string>

class SettingsText;

// The defaults of KV275Setup.ini, the file's own: kv275 happens to use the
// same values for its transfers, but a change made for the command line must
// not move what a first save writes here. The read interval leaves room for
// the 1541-byte variable reply.
inline constexpr ComParameters kSetupComDefaults{
    .BaudRate = 9600,
    .ByteSize = 8,
    .Parity = 0,
    .StopBits = 0,
    .ReadIntervalTimeout = 400,
    .ReadTotalTimeoutMultiplier = 7,
    .ReadTotalTimeoutConstant = 124,
    .WriteTotalTimeoutMultiplier = 0,
    .WriteTotalTimeoutConstant = 5000,
};

struct SetupSettings : SessionSettings {
    SetupSettings() {
        ISPort = 1;
        ISAddress = 0;  // not stored: every start begins with 177, all sensors
        comParameters = kSetupComDefaults;
    }

    uint8_t ShowAddressQuestion = 1;  // not 0: ask before writing to all sensors at once

    // Run-time only, never saved.
    std::string startDirectory;  // current directory at start-up; the file is written there
};

extern const char* const kSetupSettingsFile;          // "KV275Setup.ini"
extern const char* const kSetupComSection;            // "[INCLINATION SENSOR COMPARAMETERS]"
extern const char* const kSetupUserInterfaceSection;  // "[USER INTERFACE PARAMETERS]"

// Fills the stored fields of the record (port, line settings, the switch)
// from a settings text (zero-terminated, as read from the file); every missing
// entry is reported in the codec's current language and takes its default.
// Touches nothing else, so any bytes can be given to it.
void ParseSetupSettings(const char* text, SetupSettings& settings);

// Replaces the record with what the file in the current directory holds
// (remembering that directory; the ports' in-use marks stay) and sets the
// address index to 0, all sensors; every missing entry is reported in its own
// English box and takes its default. Sets the settings codec to English
// itself. Always true.
bool LoadSetupSettings(SetupSettings& settings);
// Writes the record to the file in the remembered directory, atomically; the
// file holds nothing but the record afterwards. Always true.
bool SaveSetupSettings(const SetupSettings& settings);

// The entries the setup tool saves, written into a settings text.
void WriteSetupSettingsEntries(SettingsText& text, const SetupSettings& settings);
