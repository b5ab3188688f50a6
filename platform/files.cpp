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

namespace {

// Reads up to maxBytes of an open file into the result and closes it; a
// non-regular file is refused when `regularOnly`.
void readOpened(int fd, uint64_t maxBytes, bool regularOnly, FileReadResult& result) {
    struct stat st {};
    if (fstat(fd, &st) != 0) {
        result.error = errno;
    } else if (regularOnly && !S_ISREG(st.st_mode)) {
        result.error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    } else {
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
    }
    ::close(fd);
}

}  // namespace

FileReadResult readOrCreateFile(const std::string& path, uint64_t maxBytes) {
    FileReadResult result;
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        result.created = fd >= 0;
        // A link to a file that is not there (yet) reads as a missing file.
        // It is not created through the link here; the save replaces the
        // link's target, creating it, as for any link.
        struct stat st {};
        if (fd < 0 && errno == EEXIST && lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
            stat(path.c_str(), &st) != 0 && errno == ENOENT)
            return result;
    }
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EISDIR)) fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    readOpened(fd, maxBytes, false, result);
    return result;
}

FileReadResult readExistingFile(const std::string& path, uint64_t maxBytes) {
    FileReadResult result;
    // Non-blocking, so that a pipe under the file's name cannot hold the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        result.error = errno;
        return result;
    }
    readOpened(fd, maxBytes, true, result);
    return result;
}

namespace {

// The file a path names once its symbolic links are followed (the last
// component may be missing; a link may dangle). Returns the path itself
// when it is not a link; empty with `err` set on a loop or a read error.
std::string followLinks(const std::string& path, int& err) {
    err = 0;
    std::string current = path;
    // The kernel's own limit on links in a row; more means a loop.
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (lstat(current.c_str(), &st) != 0) {
            if (errno == ENOENT) return current;
            err = errno;
            return {};
        }
        if (!S_ISLNK(st.st_mode)) return current;
        char target[PATH_MAX];
        const ssize_t n = readlink(current.c_str(), target, sizeof target - 1);
        if (n < 0) {
            err = errno;
            return {};
        }
        const std::string next(target, static_cast<size_t>(n));
        const size_t slash = current.rfind('/');
        // A relative target counts from the directory the link stands in.
        current = next.front() == '/' || slash == std::string::npos ? next : current.substr(0, slash + 1) + next;
    }
    err = ELOOP;
    return {};
}

// Creates a new file next to `target` under a name nobody uses. Mode 0666
// lets the user's umask decide, as for any newly created file.
int createTemporary(const std::string& target, std::string& name) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = target + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(++counter);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

int writeFileAtomically(const std::string& path, const std::string& bytes, WriteStage* failedAt) {
    WriteStage stage = WriteStage::Create;
    if (failedAt) *failedAt = WriteStage::None;
    auto fail = [&](int e) {
        if (failedAt) *failedAt = stage;
        return e;
    };

    int err = 0;
    const std::string target = followLinks(path, err);
    if (target.empty()) return fail(err ? err : EINVAL);
    struct stat old {};
    bool exists = false;
    if (stat(target.c_str(), &old) == 0) {
        exists = true;
        if (S_ISDIR(old.st_mode)) return fail(EISDIR);
        // A device or a pipe under the settings file's name is not ours to replace.
        if (!S_ISREG(old.st_mode)) return fail(EINVAL);
        // A rename would replace a read-only file that an in-place write could not touch.
        if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return fail(errno);
    } else if (errno != ENOENT) {
        return fail(errno);
    }

    std::string temp;
    const int fd = createTemporary(target, temp);
    if (fd < 0) return fail(errno);
    stage = WriteStage::Write;
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
    if (!err && exists) {
        // Keep the owner where the user may (root saving a user's file); a
        // chown clears the set-id bits, so the mode follows it.
        if (old.st_uid != geteuid() || old.st_gid != getegid()) {
            [[maybe_unused]] const int ownerKept = fchown(fd, old.st_uid, old.st_gid);  // EPERM for others: fine
        }
        if (fchmod(fd, old.st_mode & 07777) != 0) err = errno;
    }
    if (!err && fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && std::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(temp.c_str());
        return fail(err);
    }
    return 0;
}

}  // namespace platform
