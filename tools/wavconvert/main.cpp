// wavconvert OUTPUT_DIR SOURCE_FILE ID=RECORDING.wav...
// Converts each 16-bit PCM recording into the program's sound-resource format, writes it as
// OUTPUT_DIR/Sound<ID>.wav (for the Windows resource script) and writes SOURCE_FILE, which
// compiles all of them into the program under their resource numbers.

#include "tools/wavconvert/ResourceSource.h"
#include "tools/wavconvert/WaveFile.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
bool ReadFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const std::string& path, const char* data, std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
    out.close();
    return out.good();
}

bool Fail(const std::string& what) {
    std::fprintf(stderr, "wavconvert: %s\n", what.c_str());
    return false;
}

// One ID=PATH argument: converts the recording and writes the resource file.
bool Convert(const std::string& argument, const std::string& outputDir, EmbeddedFile& file) {
    const std::size_t equals = argument.find('=');
    const char* first = argument.data();
    const char* idEnd = first + (equals == std::string::npos ? 0 : equals);
    if (equals == std::string::npos ||
        std::from_chars(first, idEnd, file.resourceId).ptr != idEnd || file.resourceId <= 0) {
        return Fail("expected ID=RECORDING.wav with a positive ID: " + argument);
    }
    const std::string input = argument.substr(equals + 1);
    std::vector<unsigned char> bytes;
    Recording recording;
    std::string error;
    if (!ReadFile(input, bytes)) {
        return Fail("cannot read " + input);
    }
    if (!ReadPcmWave(bytes, recording, error)) {
        return Fail(input + ": " + error);
    }
    file.bytes = EncodeFloatWave(ToResourceFormat(recording));
    const std::string output = outputDir + "/Sound" + std::to_string(file.resourceId) + ".wav";
    if (!WriteFile(output, reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size())) {
        return Fail("cannot write " + output);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: wavconvert OUTPUT_DIR SOURCE_FILE ID=RECORDING.wav...\n");
        return 2;
    }
    std::vector<EmbeddedFile> files(static_cast<std::size_t>(argc - 3));
    for (int i = 3; i < argc; ++i) {
        if (!Convert(argv[i], argv[1], files[static_cast<std::size_t>(i - 3)])) {
            return 1;
        }
    }
    std::sort(files.begin(), files.end(), [](const EmbeddedFile& a, const EmbeddedFile& b) {
        return a.resourceId < b.resourceId;
    });
    const std::string source = ResourceSource(files);
    if (!WriteFile(argv[2], source.data(), source.size())) {
        Fail(std::string("cannot write ") + argv[2]);
        return 1;
    }
    return 0;
}
