// Runs a harness over stored inputs without the fuzzing engine, so that the
// seed inputs and the reproducers of fixed faults run with the ordinary test
// suite. Each argument is a file or a directory of files; a directory without
// a single file fails, so a lost corpus cannot pass unnoticed.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

bool runFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::fprintf(stderr, "%s (%zu bytes)\n", path.c_str(), bytes.size());
    // A block of exactly the input's size, as the engine hands it over.
    std::vector<uint8_t> input(bytes.begin(), bytes.end());
    static const uint8_t none = 0;
    LLVMFuzzerTestOneInput(input.empty() ? &none : input.data(), input.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
        return 2;
    }
    size_t ran = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path arg = argv[i];
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            if (files.empty()) {
                std::fprintf(stderr, "no inputs in %s\n", arg.c_str());
                return 1;
            }
        } else {
            files.push_back(arg);
        }
        for (const auto& f : files) {
            if (!runFile(f)) return 1;
            ++ran;
        }
    }
    std::printf("%zu inputs ran\n", ran);
    return 0;
}
