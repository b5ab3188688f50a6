// kv275: the sensor bus from the command line.

#include "cli/app.h"
#include "platform/serial_device.h"
#include "platform/standard_descriptors.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace {

std::atomic<bool> stopRequested{false};
std::atomic<bool> finishing{false};

void onStopSignal(int signal) {
    // A second Ctrl+C ends the program at once, unless a write sequence that
    // has begun is being finished.
    if (stopRequested.exchange(true) && !finishing) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
}

bool closedAtStart(int fd) { return fcntl(fd, F_GETFD) == -1 && errno == EBADF; }

// Looked at before main() runs, and so before anything (a port, a file, or
// descriptors reopened on /dev/null) could take descriptor 1 or 2.
const bool outputClosed = closedAtStart(STDOUT_FILENO);
const bool errorClosed = closedAtStart(STDERR_FILENO);

}  // namespace

int main(int argc, char** argv) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler sets the flags");
    // Whatever stands on descriptor 1 or 2 now (/dev/null where they were
    // closed), nothing meant for the closed one goes there.
    if (outputClosed) std::cout.setstate(std::ios::badbit);
    if (errorClosed) std::cerr.setstate(std::ios::badbit);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    // kv275 says every failure in one line of its own.
    platform::setPortNotFoundNotes(false);
    kvcli::Console console{std::cout, std::cerr, !errorClosed && isatty(STDERR_FILENO) == 1, &stopRequested,
                           outputClosed, &finishing};
    return kvcli::Main(std::vector<std::string>(argv + 1, argv + argc), console);
}
