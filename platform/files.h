#pragma once
// Current directory and whole-file access for the settings files.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

std::string currentDirectory();
// Returns 0 or an errno value.
int setCurrentDirectory(const std::string& dir);

struct FileReadResult {
    int error = 0;                 // errno of the open or read, 0 when it succeeded
    bool created = false;          // the file did not exist and was created empty
    uint64_t size = 0;             // the file's size when opened
    std::vector<char> bytes;       // what was read (may be shorter than size)
};

// Opens `path` for reading and writing, creating it empty when missing, and
// reads it whole (up to maxBytes; a larger file is read short).
FileReadResult readOrCreateFile(const std::string& path, uint64_t maxBytes);

// Replaces `path` atomically: writes a temporary file in the same directory,
// flushes it and renames it over the old one. The old file stays when any
// step fails. Returns 0 or an errno value.
int writeFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace platform
