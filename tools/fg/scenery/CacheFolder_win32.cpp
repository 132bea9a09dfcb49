#include "tools/fg/scenery/CacheFolder.h"

#include <cstdlib>

// The user's local application data, which roaming profiles leave behind.
std::string UserCacheFolder() {
    const char* local = std::getenv("LOCALAPPDATA");
    if (local != nullptr && local[0] != '\0') {
        return std::string(local) + "\\Corvane\\cache";
    }
    return {};
}
