// kv275soak TOOL SECONDS (scan, times, setup or tilt): one tool's main loop against a simulated bus with
// faults injected, for SECONDS; prints what it did, the memory and processor
// time it took, and whether every fault was handled. Exit status 0 when clean.
#include "soak/soak_tools.h"

#include <QApplication>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication framework(argc, argv);
    // Numbers on the wire and on screen use a decimal point whatever the locale.
    setlocale(LC_NUMERIC, "C");
    if (argc != 3) {
        std::fprintf(stderr, "usage: kv275soak scan|times|setup|tilt SECONDS\n");
        return 2;
    }
    const std::string tool = argv[1];
    const double seconds = std::atof(argv[2]);
    if (seconds <= 0) {
        std::fprintf(stderr, "kv275soak: SECONDS must be a positive number\n");
        return 2;
    }
    // Memory growth is judged only where the warm-up is over and the fit has
    // minutes of samples to go on.
    const bool judgeMemory = seconds >= 300;
    bool clean = false;
    if (tool == "scan") clean = soak::soakScanner(seconds, judgeMemory);
    else if (tool == "times") clean = soak::soakTiming(seconds, judgeMemory);
    else if (tool == "setup") clean = soak::soakSetup(seconds, judgeMemory);
    else if (tool == "tilt") clean = soak::soakTiltview(seconds, judgeMemory);
    else {
        std::fprintf(stderr, "kv275soak: unknown tool %s\n", tool.c_str());
        return 2;
    }
    return clean ? 0 : 1;
}
