#include "platform/pseudo_terminal.h"

#include <cerrno>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/sysmacros.h>
#endif

namespace platform {

bool isPseudoTerminal(int fd) {
    if (!isatty(fd)) return false;
#ifdef __linux__
    // The devpts slaves live on majors 136 to 143, the old BSD-style slaves on 3.
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
        const unsigned m = major(st.st_rdev);
        if ((m >= 136 && m <= 143) || m == 3) return true;
    }
#endif
    // Elsewhere (or for a master side): a terminal without modem-line support.
    int lines = 0;
    return ioctl(fd, TIOCMGET, &lines) != 0 && errno == ENOTTY;
}

}  // namespace platform
