#include "platform/program_info.h"

#include <cstdio>
#include <cstring>

namespace platform {

const char* projectVersion() { return KV_PROJECT_VERSION; }

bool answerInfoOptions(int argc, char** argv, const ProgramInfo& info) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("%s %s\n", info.name, projectVersion());
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("%s %s: %s\n\nUsage: %s\n", info.name, projectVersion(), info.purpose, info.usage);
            std::printf("\n  --help      show this text and exit\n  --version   show the version and exit\n");
            return true;
        }
    }
    return false;
}

}  // namespace platform
