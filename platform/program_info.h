#pragma once
// --help and --version for every program: answered on standard output before
// anything else starts, so they need neither a display nor a port.

namespace platform {

struct ProgramInfo {
    const char* name;     // "KV275Scan"
    const char* purpose;  // one line: what the program is for
    const char* usage;    // the lines after "Usage:"; may be empty
};

// The project's version, as CMake's project() gives it.
const char* projectVersion();

// True when argv holds --help (or -h) or --version: the answer has been
// printed and the program should end with status 0.
bool answerInfoOptions(int argc, char** argv, const ProgramInfo& info);

}  // namespace platform
