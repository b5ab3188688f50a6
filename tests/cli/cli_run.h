#pragma once
// Runs kv275 in-process, as its main() would, and keeps what it printed.

#include "cli/app.h"

#include <atomic>
#include <sstream>
#include <string>
#include <vector>

namespace clitest {

struct Run {
    int status = -1;
    std::string out;
    std::string err;
};

inline Run runCli(const std::vector<std::string>& args, bool terminal = false,
                  const std::atomic<bool>* stop = nullptr) {
    std::ostringstream out;
    std::ostringstream err;
    kvcli::Console console{out, err, terminal, stop};
    Run run;
    run.status = kvcli::Main(args, console);
    run.out = out.str();
    run.err = err.str();
    return run;
}

inline size_t lines(const std::string& text) {
    size_t n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

}  // namespace clitest
