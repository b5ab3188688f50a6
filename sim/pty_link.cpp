#include "sim/pty_link.h"

#include "sim/line_timing.h"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits.h>
#include <pty.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
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

// A simulator serving a port holds a claim on its link: a socket bound to a
// name in the abstract namespace made of the link's absolute path. The system
// lets it go when the process ends, however it ends, so a link left by a
// killed simulator never stands in the next one's way, even when its
// terminal's number has gone to another program meanwhile (numbers are
// handed out again at once). Returns the socket, or -1 with errno set.
int claimLink(const std::string& linkPath) {
    const std::string::size_type slash = linkPath.rfind('/');
    std::string absolute = linkPath;
    char resolved[PATH_MAX];
    if (slash != std::string::npos && realpath(linkPath.substr(0, slash == 0 ? 1 : slash).c_str(), resolved))
        absolute = std::string(resolved) + linkPath.substr(slash);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string key = "kv275sim " + absolute;
    if (key.size() + 1 > sizeof address.sun_path) {
        uint64_t hash = 14695981039346656037ull;  // FNV-1a: the same name for the same path in every process
        for (unsigned char c : absolute) hash = (hash ^ c) * 1099511628211ull;
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        key = std::string("kv275sim #") + hex;
    }
    std::memcpy(address.sun_path + 1, key.data(), key.size());  // sun_path[0] stays 0: the abstract namespace
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + key.size());
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
        const int code = errno;
        ::close(fd);
        errno = code;
        return -1;
    }
    return fd;
}

// Points `linkPath` at `target`, replacing an older link in one step.
void replaceLink(const std::string& linkPath, const std::string& target) {
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
    // Taking a served link over would cut the tools off the running
    // simulator, and its end would remove the link from under this one.
    claim_ = claimLink(linkPath_);
    if (claim_ < 0 && errno == EADDRINUSE) throw std::runtime_error(name + " is in use by another simulator");
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
        const int code = errno;
        closeFd(claim_);
        throw std::runtime_error(errorText("cannot open a pseudo-terminal", code));
    }
    slavePath_ = path;
    setCloseOnExec(master_);
    setCloseOnExec(slave_);
    // The simulator never blocks on its side of the line.
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    // openpty applies the settings to the slave; make sure they stuck.
    tcsetattr(slave_, TCSANOW, &settings);

    try {
        struct stat st {};
        if (lstat(linkPath_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
            throw std::runtime_error(linkPath_ + " exists and is not a symbolic link; not replacing it");
        replaceLink(linkPath_, slavePath_);
    } catch (...) {
        closeFd(master_);
        closeFd(slave_);
        closeFd(claim_);
        throw;
    }
}

PtyLink::~PtyLink() { close(); }

void PtyLink::close() {
    if (master_ < 0 && slave_ < 0) return;
    removeLinkTo(linkPath_, slavePath_);
    closeFd(slave_);
    closeFd(master_);
    closeFd(claim_);
}

void PtyLink::unplug() {
    if (master_ < 0 && slave_ < 0) return;
    if (readLink(linkPath_) == slavePath_) {
        try {
            replaceLink(linkPath_, kUnpluggedDevice);
        } catch (const std::runtime_error&) {
            unlink(linkPath_.c_str());  // gone is the next best thing to leading nowhere
        }
    }
    closeFd(slave_);
    closeFd(master_);
    closeFd(claim_);
}

}  // namespace kv275sim
