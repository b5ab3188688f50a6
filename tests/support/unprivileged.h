#pragma once
// Checks that a file the user may not write stays untouched need a user who
// is bound by permissions. Root is not, so as root the check runs in a
// forked child that gives root's rights up first.

#include <functional>
#include <string>

namespace testsupport {

// Runs `body` as an ordinary user: here when the tests do not run as root,
// else in a child that drops to uid and gid 65534. Returns what `body`
// returned; false when the child could not drop its rights or died.
bool asUnprivilegedUser(const std::function<bool()>& body);

// Hands `path` to the user asUnprivilegedUser runs as (nothing to do when
// that is the current user), so that its mode alone decides what they may do.
void giveToUnprivilegedUser(const std::string& path);

}  // namespace testsupport
