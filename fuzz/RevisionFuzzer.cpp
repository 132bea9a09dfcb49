// Revision identifiers as configuration control parses them, with the report open so that every
// row is written. The stored fields must stay terminated within their sizes, and an identifier
// of one word or none must leave them as they were.
#include "config_control/ConfigControl.h"
#include "config_control/ConfigString.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "fuzz/FuzzTempFile.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Configuration control reads at most this much of an identifier.
constexpr std::size_t kIdentifierChars = 511;

std::size_t WordCount(const std::string& identifier) {
    const std::string read = identifier.substr(0, kIdentifierChars);
    std::size_t words = 0;
    for (std::size_t i = 0; i < read.size(); ++i) {
        words += read[i] != ' ' && (i == 0 || read[i - 1] == ' ') ? 1 : 0;
    }
    return words;
}

bool IsTerminated(const char* field, std::size_t size) {
    return std::memchr(field, '\0', size) != nullptr;
}

void CheckFields(const ConfigString& fields) {
    FUZZ_CHECK(IsTerminated(fields.component, sizeof fields.component));
    FUZZ_CHECK(IsTerminated(fields.partNumber, sizeof fields.partNumber));
    FUZZ_CHECK(IsTerminated(fields.fileName, sizeof fields.fileName));
    FUZZ_CHECK(IsTerminated(fields.revision, sizeof fields.revision));
}

} // namespace

// Input: identifiers separated by zero bytes, registered in order.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The rows are written to the system's null device: every one is formatted and nothing
    // fills the disk, however long the run. Opened once: opening is no part of what is fuzzed.
    static const int opened = OpenConfigReport(kNullDevice);
    FUZZ_CHECK(opened == 1);
    FuzzInput input(data, size);
    while (!input.Empty()) {
        const std::string identifier = input.TakeText();
        const ConfigString before = LastConfigString();
        RegisterRevision(identifier.c_str());
        const ConfigString& after = LastConfigString();
        CheckFields(after);
        if (WordCount(identifier) <= 1) {
            FUZZ_CHECK(std::memcmp(&before, &after, sizeof before) == 0);
        }
    }
    return 0;
}
