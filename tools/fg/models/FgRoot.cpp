#include "tools/fg/models/FgRoot.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

FgRootChoice ChooseFgRoot(const std::string& option) {
    if (!option.empty()) {
        return {option, "--fg-root"};
    }
    if (const char* variable = std::getenv("FG_ROOT"); variable != nullptr && *variable != '\0') {
        return {variable, "FG_ROOT"};
    }
    for (const std::string& usual : UsualFgRoots()) {
        std::error_code error;
        if (std::filesystem::is_directory(std::filesystem::path(usual) / "AI" / "Aircraft",
                                          error)) {
            return {usual, "the usual place"};
        }
    }
    return {"", "nowhere: no --fg-root, no FG_ROOT, and no FlightGear in the usual places"};
}
