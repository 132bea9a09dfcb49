#include "tools/fg/scenery/GeoidFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {
bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}
} // namespace

GeoidChoice ChooseGeoid(const std::string& option) {
    if (!option.empty()) {
        return {option, "--geoid"};
    }
    for (const char* variable : {"PROJ_DATA", "PROJ_LIB"}) {
        const char* folder = std::getenv(variable);
        if (folder != nullptr && *folder != '\0' &&
            IsFile(std::filesystem::path(folder) / kGeoidGridName)) {
            return {(std::filesystem::path(folder) / kGeoidGridName).string(), variable};
        }
    }
    for (const std::string& usual : UsualGeoidGrids()) {
        if (IsFile(usual)) {
            return {usual, "the usual place"};
        }
    }
    return {"", "nowhere: no --geoid, no PROJ_DATA, and no egm96_15.gtx in the usual places"};
}
