// Settings-file reading over a file of any content. A script at the start of the input picks the
// open mode and, step by step, the read form and its buffer size; writes and rewinds mix in.
// Every read must deliver a terminated line within its buffer, a failure must leave its report,
// and reading the file through from the start must give back all of it: every byte, with only
// the carriage return of each CR LF dropped.
#include "config_control/SettingsFile.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTempFile.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kScriptSteps = 8;
// A bound for scripts that only write or rewind.
constexpr int kMaxSteps = 512;
constexpr int kMaxRewinds = 2;

// The file's content as a reader sees it.
std::string WithoutCarriageReturns(const std::string& content) {
    std::string result;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (!(content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')) {
            result += content[i];
        }
    }
    return result;
}

bool HasReport(SettingsFileClass& file, const char* message) {
    return std::strstr(file.GetErrorText(), message) != nullptr;
}

// Reads the whole file with one buffer size: the lines joined give the content back.
void CheckReadThrough(const char* path, const std::string& content, int size) {
    SettingsFileClass file(path, SettingsFileClass::ModeReading);
    FUZZ_CHECK(file.IsOpen());
    const auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(size));
    std::string joined;
    while (file.ReadFromSettingsFile(buffer.get(), size)) {
        const std::size_t length = std::strlen(buffer.get());
        FUZZ_CHECK(length < static_cast<std::size_t>(size));
        joined.append(buffer.get(), length);
        FUZZ_CHECK(joined.size() <= content.size());
    }
    FUZZ_CHECK(HasReport(file, "NULL read from file"));
    FUZZ_CHECK(joined == WithoutCarriageReturns(content));
}

// One step of the script; false when it was a read that found nothing.
bool RunStep(SettingsFileClass& file, std::uint8_t step, int& rewinds) {
    const int size = step / 8 + 1; // 1 to 32; 1 holds no character
    switch (step % 8) {
    case 0:
    case 1: {
        const auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(size));
        buffer[0] = '\0';
        const bool read = file.ReadFromSettingsFile(buffer.get(), size);
        FUZZ_CHECK(std::memchr(buffer.get(), '\0', static_cast<std::size_t>(size)) != nullptr);
        return read;
    }
    case 2: {
        const auto buffer = std::make_unique<char[]>(SettingsFileClass::kLineSize);
        buffer[0] = '\0';
        return file.ReadFromSettingsFile(buffer.get());
    }
    case 3: {
        std::string line = "unchanged";
        const bool read = file.ReadFromSettingsFile(line);
        FUZZ_CHECK(read || line == "unchanged");
        FUZZ_CHECK(line.size() < SettingsFileClass::kLineSize);
        return read;
    }
    case 4: {
        const auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(size));
        const bool read = file.ReadFromSettingsFileBuffered(buffer.get(), size);
        FUZZ_CHECK(std::strlen(buffer.get()) < static_cast<std::size_t>(size));
        FUZZ_CHECK(read || buffer[0] == '\0');
        return read;
    }
    case 5:
        if (rewinds < kMaxRewinds) {
            ++rewinds;
            FUZZ_CHECK(file.Rewind() == file.IsOpen());
        }
        return true;
    case 6:
        file.WriteSetting("Fuzz", static_cast<std::int32_t>(step));
        return true;
    default:
        file.WriteLine("fuzz line");
        return true;
    }
}

} // namespace

// Input: the open mode, kScriptSteps script bytes, then the file's content.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FuzzTempFile temp("corvane_fuzz_settings");
    FuzzInput input(data, size);
    const auto mode = static_cast<std::int32_t>(input.TakeByte() % 5); // 4 is no mode
    // Taken whole: GCC 12 at -O3 misreads a byte loop into the array as an overflow.
    const auto script = input.TakeRaw<std::array<std::uint8_t, kScriptSteps>>();
    const std::string content = input.TakeRest();
    FUZZ_CHECK(temp.Write(content));

    // A NUL byte ends a line's text early, so such files cannot come back whole.
    if (content.find('\0') == std::string::npos) {
        CheckReadThrough(temp.Path(), content, script[0] % 32 + 2);
    }

    SettingsFileClass file(temp.Path(), mode);
    FUZZ_CHECK(file.IsOpen() == (mode != 4));
    int failedReads = 0;
    int rewinds = 0;
    for (int step = 0; step < kMaxSteps && failedReads < 2; ++step) {
        if (!RunStep(file, script[step % kScriptSteps], rewinds)) {
            ++failedReads;
            FUZZ_CHECK(std::strchr(file.GetErrorText(), '\n') != nullptr);
        }
    }
    return 0;
}
