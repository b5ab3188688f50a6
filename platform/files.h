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

// Reads `path` whole (up to maxBytes; a larger file is read short) without
// ever creating it: a missing file is ENOENT. Only a regular file is read:
// a directory gives EISDIR and a device or a pipe EINVAL, so nothing waits
// on a line that never ends.
FileReadResult readExistingFile(const std::string& path, uint64_t maxBytes);

// Where a replacement failed: before any byte was written (the file may not
// be written, or no temporary could be made next to it), or afterwards.
enum class WriteStage { None, Create, Write };

// Replaces `path` atomically: writes a temporary file in the same directory,
// flushes it and renames it over the old one. A symbolic link is followed and
// the file it points to is replaced; the file keeps its mode (and its owner
// where the user may set it). A file or directory the user may not write is
// refused with EACCES, as writing in place would be. The old file stays when
// any step fails. Returns 0 or an errno value; `failedAt` says where.
int writeFileAtomically(const std::string& path, const std::string& bytes, WriteStage* failedAt = nullptr);

}  // namespace platform
