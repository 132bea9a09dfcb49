// The other program of the Windows sharing tests: a recorder that keeps its file open.
//   SharedFilePeer write PATH   creates PATH, writes a line, says so (PATH.ready), waits for
//                               PATH.stop, writes a second line and closes the file
//   SharedFilePeer create PATH  creates PATH and writes a line, while the test holds it open
// Exit code 0 when every step succeeded.

#include "platform/RegularFile.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kWaitSteps = 3000; // 60 s in steps of 20 ms

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

int Write(const std::string& path, bool wait) {
    int error = 0;
    std::FILE* file = CreateSharedFileForWriting(path.c_str(), error);
    if (file == nullptr) {
        std::fprintf(stderr, "cannot create %s: %d\n", path.c_str(), error);
        return 1;
    }
    bool ok = std::fputs("peer line\n", file) >= 0 && std::fflush(file) == 0;
    if (wait) {
        std::FILE* ready = std::fopen((path + ".ready").c_str(), "wb");
        ok = ready != nullptr && std::fclose(ready) == 0 && ok;
        int step = 0;
        for (; step < kWaitSteps && !Exists(path + ".stop"); ++step) {
            Sleep(20);
        }
        ok = step < kWaitSteps && std::fputs("second line\n", file) >= 0 && ok;
    }
    return std::fclose(file) == 0 && ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        return 2;
    }
    if (std::strcmp(argv[1], "write") == 0) {
        return Write(argv[2], true);
    }
    if (std::strcmp(argv[1], "create") == 0) {
        return Write(argv[2], false);
    }
    return 2;
}
