#include "tools/fg/models/FgRoot.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <system_error>

// FlightGear's installer puts its data in "<Program Files>\FlightGear <version>\data"; the
// newest version (the last by name) first.
std::vector<std::string> UsualFgRoots() {
    const char* programFiles = std::getenv("ProgramFiles");
    const std::filesystem::path base =
        programFiles != nullptr && *programFiles != '\0' ? programFiles : "C:\\Program Files";
    std::vector<std::string> roots;
    std::error_code error;
    for (std::filesystem::directory_iterator it(base, error), end; !error && it != end;
         it.increment(error)) {
        if (it->path().filename().string().starts_with("FlightGear")) {
            roots.push_back((it->path() / "data").string());
        }
    }
    std::sort(roots.rbegin(), roots.rend());
    return roots;
}
