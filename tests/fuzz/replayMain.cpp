// The corpus replay of a fuzz target, for builds without the fuzzing
// engine: every file named on the command line, or found in a folder named
// there, is handed to the target once.  Returns 0 when all were replayed.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

// Hands the file at path to the target; returns 1, or 0 when it cannot be read.
int replayFile(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return 0;
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput((const uint8_t *)bytes.data(), bytes.size());
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    int replayed = 0;
    for (int i = 1; i < argc; i++) {
        std::filesystem::path path = argv[i];
        if (std::filesystem::is_directory(path)) {
            for (const auto &entry : std::filesystem::directory_iterator(path)) {
                if (!entry.is_regular_file()) continue;
                if (!replayFile(entry.path())) return 1;
                replayed++;
            }
        } else if (!replayFile(path)) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        } else
            replayed++;
    }
    std::printf("replayed %d inputs\n", replayed);
    return replayed > 0 ? 0 : 1;
}
