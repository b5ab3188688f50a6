// kv275soak [--scripted] [--seed N] TOOL SECONDS (TOOL: scan, times, setup or tilt):
// one tool's main loop against a simulated bus with faults injected, for
// SECONDS; prints what it did, the memory and processor time it took, and
// whether every fault was handled. Exit status 0 when clean.
//
// The faults are dice thrown by the simulator; the seed (drawn afresh unless
// given) is printed, so a run can be repeated. With --scripted the bus runs
// in-process on its own clock: the same seed then gives the same run and the
// same report, whatever else the machine is doing.
#include "platform/standard_descriptors.h"
#include "soak/soak_tools.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

int usage() {
    std::fprintf(stderr, "usage: kv275soak [--scripted] [--seed N] scan|times|setup|tilt SECONDS\n");
    return 2;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before anything is opened: a port must never become standard output.
    platform::ensureStandardDescriptors();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication framework(argc, argv);
    // Numbers on the wire and on screen use a decimal point whatever the locale.
    setlocale(LC_NUMERIC, "C");

    soak::RunOptions run;
    bool seeded = false;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--scripted") {
            run.scripted = true;
        } else if (a == "--seed" && i + 1 < argc) {
            char* end = nullptr;
            const unsigned long long seed = std::strtoull(argv[++i], &end, 10);
            if (*end != '\0' || seed == 0 || seed > 0xFFFFFFFFull) {
                std::fprintf(stderr, "kv275soak: --seed takes a number from 1 to 4294967295\n");
                return 2;
            }
            run.seed = static_cast<uint32_t>(seed);
            seeded = true;
        } else {
            args.push_back(a);
        }
    }
    if (args.size() != 2) return usage();
    const std::string& tool = args[0];
    run.seconds = std::atof(args[1].c_str());
    if (run.seconds <= 0) {
        std::fprintf(stderr, "kv275soak: SECONDS must be a positive number\n");
        return 2;
    }
    // 0 would let the simulator draw a seed of its own, which nobody could replay.
    while (!seeded && run.seed == 0) run.seed = std::random_device{}();
    run.replay = std::string("kv275soak") + (run.scripted ? " --scripted" : "") + " --seed " +
                 std::to_string(run.seed) + " " + tool + " " + args[1];
    // Memory growth is judged only where the warm-up is over and the fit has
    // minutes of samples to go on.
    run.judgeMemory = !run.scripted && run.seconds >= 300;
    bool clean = false;
    if (tool == "scan") clean = soak::soakScanner(run);
    else if (tool == "times") clean = soak::soakTiming(run);
    else if (tool == "setup") clean = soak::soakSetup(run);
    else if (tool == "tilt") clean = soak::soakTiltview(run);
    else {
        std::fprintf(stderr, "kv275soak: unknown tool %s\n", tool.c_str());
        return usage();
    }
    return clean ? 0 : 1;
}
