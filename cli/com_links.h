#pragma once
// The COMn links of a directory, where the tools look for their ports, and
// making one.

#include <string>
#include <vector>

namespace kvcli {

struct ComLink {
    std::string name;                // "COM1"
    bool isLink = false;             // false: a file of that name that is not a symbolic link
    std::string target;              // what the link says
    // Every path on the way to the device: the target, and what each further
    // link there says, made absolute. The last one is where it ends.
    std::vector<std::string> chain;
    bool leadsSomewhere = false;     // the end of the chain exists
};

// The entries "COM1", "COM2", ... of `dir` in the order of their numbers.
std::vector<ComLink> ReadComLinks(const std::string& dir);

// Follows `path` from link to link without asking the kernel to (so that it
// works on device names only the test bed knows): every path on the way.
std::vector<std::string> FollowLinks(const std::string& path);

// True when a path exists (without following a final link).
bool PathExists(const std::string& path);

struct LinkResult {
    int error = 0;          // errno of the step that failed; EEXIST: the name is taken by a file that is no link
    std::string replaced;   // the target of the link that was there before, if any
};

// Points `dir`/COM`number` at `target`. An existing link of that name is
// replaced in one step; anything else of that name is left alone.
LinkResult MakeComLink(const std::string& dir, int number, const std::string& target);

}  // namespace kvcli
