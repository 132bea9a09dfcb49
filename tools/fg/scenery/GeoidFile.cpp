#include "tools/fg/scenery/GeoidFile.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {
bool IsFile(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The header and the values from `input` into the grid, the values straight into its room.
// False with the reason in `reason` when the bytes are no grid, without one when the read failed.
bool ReadGrid(InputBytes& input, GeoidGrid& grid, std::string& reason) {
    std::uint8_t header[kGeoidHeaderSize];
    const std::int64_t got = input.Fill(reinterpret_cast<char*>(header), sizeof header);
    if (got < 0) {
        return false;
    }
    if (got < static_cast<std::int64_t>(sizeof header)) {
        reason = "shorter than its header";
        return false;
    }
    if (!grid.Begin(header, reason)) {
        return false;
    }
    const std::span<std::uint8_t> room = grid.ValueBytes();
    const auto size = static_cast<std::int64_t>(room.size());
    const std::int64_t values = input.Fill(reinterpret_cast<char*>(room.data()), room.size());
    char beyond = 0; // one byte more would be one too many
    const std::int64_t more = values == size ? input.Fill(&beyond, 1) : 0;
    if (values < 0 || more < 0) {
        return false;
    }
    if (values != size || more != 0) {
        reason = "its size does not fit its header";
        return false;
    }
    grid.Finish();
    return true;
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

bool LoadGeoidGrid(const std::string& path, FileKinds kinds, GeoidGrid& grid, std::string& error,
                   ReadWatch& watch) {
    grid = GeoidGrid();
    InputBytes input(path, kinds, watch);
    if (!input.IsOpen()) {
        error = "cannot open the geoid grid " + path + ": " + input.Why();
        return false;
    }
    std::string reason;
    if (ReadGrid(input, grid, reason)) {
        return true;
    }
    grid = GeoidGrid();
    if (input.Stopped()) {
        error = "stopped while reading the geoid grid " + path;
    } else if (reason.empty()) {
        error = "cannot read the geoid grid " + path + ": " + input.Why();
    } else {
        error = "the geoid grid " + path + " is no grid: " + reason;
    }
    return false;
}
