#include "tests/support/unprivileged.h"

#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {
namespace {

constexpr uid_t kNobody = 65534;

}  // namespace

bool asUnprivilegedUser(const std::function<bool()>& body) {
    if (geteuid() != 0) return body();
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(2);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void giveToUnprivilegedUser(const std::string& path) {
    if (geteuid() != 0) return;
    [[maybe_unused]] const int given = lchown(path.c_str(), kNobody, kNobody);
}

}  // namespace testsupport
