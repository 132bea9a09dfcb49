// Where the Linux program finds its files: the data file in the user's data folder as the XDG
// base-directory rules define it ($XDG_DATA_HOME when it is an absolute path, otherwise
// ~/.local/share), and its own file name from the kernel.

#include "platform/ProgramPath.h"

#include "text_functions/TextFunctions.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <vector>

[[maybe_unused]] static const char kProgramPathPosixRevision[] =
    "%Z% Corvane QX4004:04 ProgramPath_posix.cpp $Revision: 1.1 $";

namespace {

constexpr char kDataFileInDataFolder[] = "Brenwick/AddOns/TrafficLog.dat";

bool IsAbsolutePath(const char* path) {
    return path != nullptr && path[0] == '/';
}

// $HOME, or the password database's home folder when HOME is unset or empty (as for a service
// started without a login environment).
const char* HomeFolder(std::vector<char>& storage) {
    const char* home = std::getenv("HOME");
    if (IsAbsolutePath(home)) {
        return home;
    }
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    storage.resize(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, storage.data(), storage.size(), &found) != 0 ||
        found == nullptr || !IsAbsolutePath(found->pw_dir)) {
        return nullptr;
    }
    return found->pw_dir;
}

bool FormatFits(int result, int size) {
    return result >= 0 && result < size;
}

} // namespace

bool GetTrafficDataFilePath(char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return false;
    }
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    int result = -1;
    if (IsAbsolutePath(dataHome)) {
        result = FormatBounded(buffer, size, "%s/%s", dataHome, kDataFileInDataFolder);
    } else {
        std::vector<char> storage;
        const char* home = HomeFolder(storage);
        if (home != nullptr) {
            result = FormatBounded(buffer, size, "%s/.local/share/%s", home, kDataFileInDataFolder);
        }
    }
    if (!FormatFits(result, size)) {
        buffer[0] = '\0';
        return false;
    }
    return true;
}

// readlink neither terminates nor says whether it cut the name; a result that fills the buffer
// may have been cut, so it counts as none.
int GetProgramFileName(char* buffer, int size) {
    if (buffer == nullptr || size < 1) {
        return 0;
    }
    const ssize_t length = readlink("/proc/self/exe", buffer, static_cast<std::size_t>(size));
    if (length <= 0 || length >= size) {
        buffer[0] = '\0';
        return 0;
    }
    buffer[length] = '\0';
    return static_cast<int>(length);
}
