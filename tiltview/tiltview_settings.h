#pragma once
// "Tiltview.ini": the port number alone, as "%d" writes it. Read once when
// the dialog starts, written once whenever it ends; neither says a word to
// the user.

#include "tiltview/port_link.h"

#include <cstdint>
#include <string>
#include <string_view>

extern const char* const kTiltviewSettingsFile;  // "Tiltview.ini"

namespace tiltsettings {

constexpr int8_t kDefaultPort = 2;
// The reader's text buffer is 256 bytes; a larger file is not this program's.
constexpr uint64_t kMaxFileBytes = 255;

// The port a file's content names: the number at its start as atoi reads it
// (held to 32 bits), its low 8 bits as a signed value, 2 outside 1..8. A zero
// byte ends the text.
int8_t PortOfText(std::string_view content);

// The port itself when it is one of 1 to 8, else the default.
int8_t ValidPort(int port);

// "%d" of the port.
std::string PortText(int8_t port);

// Reads the file in `directory` (never creating it): 2 when it is missing,
// unreadable, larger than 255 bytes or names no port 1..8.
int8_t LoadPort(const std::string& directory);
// Replaces the file in `directory` atomically; a file or directory that
// cannot be written keeps the old file. Returns 0 or an errno value.
int SavePort(const std::string& directory, int8_t port);

}  // namespace tiltsettings
