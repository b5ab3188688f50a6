#pragma once
// Whether the user may open a port, and who holds it now.

#include <string>
#include <sys/types.h>
#include <vector>

namespace kvcli {

// What decides whether a user may open a device node.
struct AccessFacts {
    bool mayOpen = false;
    std::string groupName;       // the node's group ("dialout")
    bool groupMayOpen = false;   // the node's mode lets its group read and write
    bool inGroupNow = false;     // the running session has the group
    bool inGroupAtLogin = false;  // the user is a member, from the next login on
};

// Empty when the user may open it, else why not and what to do, in a few words:
// "not in the dialout group (sudo adduser $USER dialout, then log in again)".
std::string AccessProblem(const AccessFacts& facts);

// The facts of `device` for the running user.
AccessFacts CheckAccess(const std::string& device);

struct Holder {
    int pid = 0;
    std::string program;  // as the process names itself
    bool operator==(const Holder&) const = default;
};

// The processes that hold `device`: those that have it locked (as the tools
// lock a port they open), and, unless it is a pseudo-terminal whose serving
// program keeps it open by design, those that have it open. A process of
// another user is seen only when it locks the device.
std::vector<Holder> PortHolders(const std::string& device, bool pseudoTerminal);

}  // namespace kvcli
