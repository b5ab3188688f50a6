#include "platform/files.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string currentDirectory() {
    char buffer[PATH_MAX];
    if (!getcwd(buffer, sizeof buffer)) return {};
    return buffer;
}

int setCurrentDirectory(const std::string& dir) { return chdir(dir.c_str()) == 0 ? 0 : errno; }

FileReadResult readOrCreateFile(const std::string& path, uint64_t maxBytes) {
    FileReadResult result;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        result.created = fd >= 0;
    }
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EISDIR)) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        result.error = errno;
        ::close(fd);
        return result;
    }
    result.size = static_cast<uint64_t>(st.st_size);
    const uint64_t want = result.size < maxBytes ? result.size : maxBytes;
    result.bytes.resize(want);
    uint64_t got = 0;
    while (got < want) {
        const ssize_t n = ::read(fd, result.bytes.data() + got, want - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            result.error = errno;
            break;
        }
        if (n == 0) break;
        got += static_cast<uint64_t>(n);
    }
    result.bytes.resize(got);
    ::close(fd);
    return result;
}

int writeFileAtomically(const std::string& path, const std::string& bytes) {
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) return errno;
    int err = 0;
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            err = errno;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (!err && fchmod(fd, 0644) != 0) err = errno;
    if (!err && fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && std::rename(temp.c_str(), path.c_str()) != 0) err = errno;
    if (err) ::unlink(temp.c_str());
    return err;
}

}  // namespace platform
