// kv275: the sensor bus from the command line.

#include "cli/app.h"
#include "platform/serial_device.h"

#include <atomic>
#include <csignal>
#include <iostream>
#include <unistd.h>

namespace {

std::atomic<bool> stopRequested{false};

void onStopSignal(int signal) {
    stopRequested = true;
    // A second Ctrl+C ends the program at once.
    std::signal(signal, SIG_DFL);
}

}  // namespace

int main(int argc, char** argv) {
    static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler sets the flag");
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    // kv275 says every failure in one line of its own.
    platform::setPortNotFoundNotes(false);
    kvcli::Console console{std::cout, std::cerr, isatty(STDERR_FILENO) == 1, &stopRequested};
    return kvcli::Main(std::vector<std::string>(argv + 1, argv + argc), console);
}
