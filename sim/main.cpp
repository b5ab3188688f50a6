// kv275sim: a bus of simulated sensors behind pseudo-terminals.

#include "sim/command_line.h"
#include "sim/simulator.h"
#include "platform/program_info.h"
#include "platform/standard_descriptors.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <pthread.h>
#include <stdexcept>
#include <unistd.h>

namespace {

// Written whole under a temporary name and renamed, so that a script that
// waits for the file never reads half of it.
bool writeReadyFile(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    const kv275sim::CommandLine cl = kv275sim::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (!cl.error.empty()) {
        std::fprintf(stderr, "kv275sim: %s\nTry 'kv275sim --help' for the options.\n", cl.error.c_str());
        return 2;
    }
    if (cl.version) {
        std::printf("kv275sim %s\n", platform::projectVersion());
        return 0;
    }
    if (cl.help) {
        std::fputs(kv275sim::usageText().c_str(), stdout);
        return 0;
    }

    // The signals that end the run are taken by sigwait below; block them
    // before any thread starts so that none of the port threads gets them.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    // A ready file left by an earlier run must not announce this one early.
    if (!cl.readyFile.empty()) std::remove(cl.readyFile.c_str());

    kv275sim::Simulator simulator(cl.options);
    try {
        simulator.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kv275sim: %s\n", e.what());
        return 1;
    }

    std::string links;
    for (const kv275sim::PortInfo& port : simulator.ports()) {
        links += port.linkPath + " -> " + port.slavePath + "\n";
    }
    std::fputs(links.c_str(), stdout);
    for (const kv275sim::SensorConfig& s : cl.options.sensors) {
        std::printf("sensor %u (0x%02X): %s\n", s.address, s.address, s.motion.describe().c_str());
    }
    std::printf("answer delay %u ms, %zu fault rule(s); Ctrl+C ends\n", cl.options.answerDelayMs,
                cl.options.faults.size());
    std::fflush(stdout);

    int status = 0;
    if (!cl.readyFile.empty() && !writeReadyFile(cl.readyFile, links)) {
        std::fprintf(stderr, "kv275sim: cannot write %s: %s\n", cl.readyFile.c_str(), std::strerror(errno));
        status = 1;
    } else {
        int signal = 0;
        while (sigwait(&endSignals, &signal) != 0) {
        }
    }

    simulator.stop();
    if (!cl.readyFile.empty()) std::remove(cl.readyFile.c_str());
    return status;
}
