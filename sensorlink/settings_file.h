#pragma once
// Reading and saving a whole settings file of the keyed text. The programs
// that keep their settings this way differ only in the file's name, its
// entries and the words of their boxes; what happens to the file is the same.

#include "sensorlink/com_parameters.h"
#include "sensorlink/settings_codec.h"

#include <functional>
#include <optional>
#include <string>

struct SettingsFileBox {
    const char* text;
    const char* title;
};

// The boxes of one program's settings file, in its own language.
struct SettingsFileBoxes {
    SettingsFileBox noMemoryAtLoad;
    SettingsFileBox noMemoryAtSave;
    SettingsFileBox readError;   // the file could not be opened or read whole
    SettingsFileBox writeError;  // the file could not be created or written whole
};

// Reads the file `name` in the current directory, creating it empty when it
// is missing. What was read is kept even after the read box (a short read, a
// file that cannot be opened, one cut at 1 MiB): the entries stand at its
// start. Empty after the memory box: nothing was read, the caller keeps its
// defaults. The current directory is never changed.
std::optional<SettingsText> ReadSettingsFile(const char* name, const SettingsFileBoxes& boxes);

// Builds the text with `writeEntries` in a block of 4096 bytes and replaces
// startDirectory + "/" + name with it atomically (just `name` when
// startDirectory is empty), so the old file stays when any step fails.
// Returns true when the file was replaced; false after the memory box (nothing
// written) or the write box.
bool WriteSettingsFile(const std::string& startDirectory, const char* name, const SettingsFileBoxes& boxes,
                       const std::function<void(SettingsText&)>& writeEntries);

// A port number or address index: stored as its byte, read back signed.
void ReadSignedByteEntry(const char* text, const char* section, const char* key, int8_t& field, int8_t defaultValue);

// The nine line settings under `section`, in the order both files keep them
// (BaudRate, ByteSize, Parity, StopBits, the three read and the two write
// time-outs). A missing entry is reported by the codec and takes its default.
void ReadComParameterEntries(const char* text, const char* section, ComParameters& c,
                             const ComParameters& defaults);
void WriteComParameterEntries(SettingsText& text, const char* section, const ComParameters& c);
