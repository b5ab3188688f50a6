#pragma once
// One pseudo-terminal standing in for a serial port, reachable under a port
// name (a symbolic link such as COM1 -> /dev/pts/7) in a chosen directory.

#include <string>

namespace kv275sim {

class PtyLink {
public:
    // Opens the pseudo-terminal, sets it raw at `baud` (so nothing is echoed
    // before a tool configures it) and links `directory/name` to its slave. A
    // symbolic link of that name is replaced; any other file is left alone and
    // reported; so is a link another simulator serves. Throws
    // std::runtime_error with a message for the user.
    PtyLink(const std::string& directory, const std::string& name, unsigned baud);
    ~PtyLink();
    PtyLink(const PtyLink&) = delete;
    PtyLink& operator=(const PtyLink&) = delete;

    const std::string& name() const { return name_; }
    const std::string& slavePath() const { return slavePath_; }
    const std::string& linkPath() const { return linkPath_; }
    int masterFd() const { return master_; }
    bool isOpen() const { return master_ >= 0; }

    // Closes both ends and removes the link if it still points here. A tool
    // that holds the port open then sees the device gone. Safe to repeat.
    void close();
    // As an adapter pulled out: closes both ends, and the link, if it still
    // points here, stays but leads to kUnpluggedDevice, which never exists
    // (the terminal's own number soon belongs to another program).
    void unplug();

private:
    std::string name_;
    std::string slavePath_;
    std::string linkPath_;
    int master_ = -1;
    // Kept open so that the master sees no hang-up while no tool has the
    // port open (between a tool's close and its next open).
    int slave_ = -1;
    int claim_ = -1;  // holds the link against a second simulator while this one serves it
};

// Where the link of an unplugged port leads.
inline constexpr const char* kUnpluggedDevice = "/dev/kv275-unplugged-adapter";

// Removes `linkPath` if it is a symbolic link to `target`; true if removed.
bool removeLinkTo(const std::string& linkPath, const std::string& target);

}  // namespace kv275sim
