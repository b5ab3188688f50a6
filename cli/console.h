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

    bool stopRequested() const { return stop && stop->load(); }
};

}  // namespace kvcli
