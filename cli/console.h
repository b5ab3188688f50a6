#pragma once
// Where a command writes, and what it may look at of the terminal and the
// signals around it.

#include <atomic>
#include <ostream>

namespace kvcli {

struct Console {
    std::ostream& out;
    std::ostream& err;
    // Standard error is a terminal: a progress bar may be drawn there.
    bool progressBar = false;
    // Set by Ctrl+C or SIGTERM; a long command ends at its next step with
    // what it has so far. Null: nobody can stop it.
    const std::atomic<bool>* stop = nullptr;
    // Standard output was closed when the program started: a command that
    // prints its result must fail before it opens anything, which would
    // otherwise become standard output.
    bool outputClosed = false;
    // Set while a sequence that must not be broken off runs (the writes of
    // vars set once the first went out), so that a second Ctrl+C does not
    // end the program either. Null: nothing to tell.
    std::atomic<bool>* finishing = nullptr;

    bool stopRequested() const { return stop && stop->load(); }
};

}  // namespace kvcli
