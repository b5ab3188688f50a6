#pragma once
// A write that fails part-way, for any user (root included): the file-size
// limit stops writes beyond `bytes`, and the signal it would send is ignored
// so the write reports the failure instead of ending the process.

#include <csignal>
#include <cstdint>
#include <functional>
#include <sys/resource.h>

namespace testsupport {

inline bool withFileSizeLimit(uint64_t bytes, const std::function<void()>& body) {
    struct rlimit saved {};
    if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return false;
    struct rlimit tight = saved;
    tight.rlim_cur = bytes;
    void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
    if (setrlimit(RLIMIT_FSIZE, &tight) != 0) {
        std::signal(SIGXFSZ, previous);
        return false;
    }
    body();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    return true;
}

}  // namespace testsupport
