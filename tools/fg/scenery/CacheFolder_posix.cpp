#include "tools/fg/scenery/CacheFolder.h"

#include <cstdlib>

// The XDG base directories: $XDG_CACHE_HOME, else ~/.cache.
std::string UserCacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') {
        return std::string(cache) + "/corvane";
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return std::string(home) + "/.cache/corvane";
    }
    return {};
}
