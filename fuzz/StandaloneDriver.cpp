// Runs a fuzz target once over each file named on the command line, or over every file of a
// named folder, without libFuzzer: every build can then compile the targets and replay their
// corpora as tests. A failing input aborts the run (a sanitizer report, or a check of the target).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

// The files of the arguments, folders expanded in name order so that runs repeat exactly.
bool CollectInputs(int argc, char** argv, std::vector<fs::path>& inputs) {
    for (int i = 1; i < argc; ++i) {
        const fs::path argument(argv[i]);
        std::error_code error;
        if (fs::is_directory(argument, error)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::recursive_directory_iterator(argument, error)) {
                if (entry.is_regular_file()) {
                    files.push_back(entry.path());
                }
            }
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else if (fs::is_regular_file(argument, error)) {
            inputs.push_back(argument);
        } else {
            std::fprintf(stderr, "No such file or folder: %s\n", argv[i]);
            return false;
        }
    }
    return true;
}

// The input goes to the target in an allocation of exactly its size, so that the address
// sanitizer sees every read past its end.
bool RunInput(const fs::path& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        std::fprintf(stderr, "Cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<char> content((std::istreambuf_iterator<char>(stream)),
                                    std::istreambuf_iterator<char>());
    const auto data = std::make_unique<std::uint8_t[]>(content.size());
    std::copy(content.begin(), content.end(), data.get());
    std::fprintf(stderr, "Running %s (%zu bytes)\n", path.string().c_str(), content.size());
    LLVMFuzzerTestOneInput(data.get(), content.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage: %s <file or folder>...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> inputs;
    if (!CollectInputs(argc, argv, inputs)) {
        return 2;
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "No inputs found\n");
        return 1;
    }
    for (const auto& input : inputs) {
        if (!RunInput(input)) {
            return 1;
        }
    }
    std::fprintf(stderr, "%zu inputs run\n", inputs.size());
    return 0;
}
