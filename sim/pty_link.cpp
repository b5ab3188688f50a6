#include "sim/pty_link.h"

#include "sim/line_timing.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <pty.h>
#include <stdexcept>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kv275sim {
namespace {

std::string errorText(const std::string& what, int code) { return what + ": " + std::strerror(code); }

void setCloseOnExec(int fd) {
    const int flags = fcntl(fd, F_GETFD);
    if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string readLink(const std::string& path) {
    char buffer[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    if (n < 0) return {};
    return std::string(buffer, static_cast<size_t>(n));
}

// True when `linkPath` leads to a pseudo-terminal that is still there. Its
// node lives only as long as the program that opened it keeps its side, so
// a link left by a simulator that was killed does not count.
bool leadsToLivePseudoTerminal(const std::string& linkPath) {
    if (readLink(linkPath).rfind("/dev/pts/", 0) != 0) return false;
    struct stat st {};
    return stat(linkPath.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// Points `linkPath` at `target`, replacing an older link in one step.
void makeLink(const std::string& name, const std::string& linkPath, const std::string& target) {
    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        throw std::runtime_error(linkPath + " exists and is not a symbolic link; not replacing it");
    }
    // Taking the link over would cut the tools off the running simulator,
    // and its end would remove the link from under this one.
    // (A link left by a killed simulator may name the very terminal just
    // opened here, its number being free again: that one is ours.)
    if (readLink(linkPath) != target && leadsToLivePseudoTerminal(linkPath))
        throw std::runtime_error(name + " is in use by another simulator");
    const std::string temporary = linkPath + ".kv275sim-" + std::to_string(getpid());
    unlink(temporary.c_str());
    if (symlink(target.c_str(), temporary.c_str()) != 0) {
        throw std::runtime_error(errorText("cannot create link " + temporary, errno));
    }
    if (rename(temporary.c_str(), linkPath.c_str()) != 0) {
        const int code = errno;
        unlink(temporary.c_str());
        throw std::runtime_error(errorText("cannot create link " + linkPath, code));
    }
}

}  // namespace

bool removeLinkTo(const std::string& linkPath, const std::string& target) {
    if (readLink(linkPath) != target) return false;
    return unlink(linkPath.c_str()) == 0;
}

PtyLink::PtyLink(const std::string& directory, const std::string& name, unsigned baud)
    : name_(name), linkPath_((directory.empty() ? std::string(".") : directory) + "/" + name) {
    termios settings{};
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    const speed_t speed = speedFromBaud(baud);
    if (speed != B0) {
        cfsetispeed(&settings, speed);
        cfsetospeed(&settings, speed);
    }
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;

    char path[PATH_MAX] = {};
    if (openpty(&master_, &slave_, path, &settings, nullptr) != 0) {
        throw std::runtime_error(errorText("cannot open a pseudo-terminal", errno));
    }
    slavePath_ = path;
    setCloseOnExec(master_);
    setCloseOnExec(slave_);
    // The simulator never blocks on its side of the line.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    // openpty applies the settings to the slave; make sure they stuck.
    tcsetattr(slave_, TCSANOW, &settings);

    try {
        makeLink(name_, linkPath_, slavePath_);
    } catch (...) {
        closeFd(master_);
        closeFd(slave_);
        throw;
    }
}

PtyLink::~PtyLink() { close(); }

void PtyLink::close() {
    if (master_ < 0 && slave_ < 0) return;
    removeLinkTo(linkPath_, slavePath_);
    closeFd(slave_);
    closeFd(master_);
}

}  // namespace kv275sim
