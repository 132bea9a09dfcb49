// Backslash-separated paths of the running program.
#include "text_functions/TextFunctions.h"

#include <cstring>

extern const char kFilesRevision[] = "%Z% TextFunctions QX3102:03 Files.cpp $Revision: 1.2 $";

namespace {

// Installed by the front end: the core cannot ask the operating system itself.
ProgramFileNameSource programFileNameSource = nullptr;

} // namespace

void SetProgramFileNameSource(ProgramFileNameSource source) {
    programFileNameSource = source;
}

void GetProgramDirectory(char* buffer, int size) {
    if (CopyBounded(buffer, "", size) == nullptr || size == 0) {
        return;
    }
    if (programFileNameSource == nullptr || programFileNameSource(buffer, size) <= 0) {
        CopyBounded(buffer, "", size);
        return;
    }
    buffer[size - 1] = '\0';
    char* extension = std::strstr(buffer, ".exe");
    for (char* p = extension; p != nullptr && p > buffer; --p) {
        if (p[-1] == '\\') {
            p[-1] = '\0';
            return;
        }
    }
}

char* StripLastPathComponent(char* path) {
    char* last = path != nullptr ? std::strrchr(path, '\\') : nullptr;
    if (last != nullptr) {
        *last = '\0';
    }
    return path;
}
