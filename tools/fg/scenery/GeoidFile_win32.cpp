#include "tools/fg/scenery/GeoidFile.h"

#include "platform/ProgramPath.h"

#include <filesystem>

// The installer puts the grid beside the programs.
std::vector<std::string> UsualGeoidGrids() {
    char program[1024];
    if (GetProgramFileName(program, sizeof program) == 0) {
        return {};
    }
    return {(std::filesystem::path(program).parent_path() / kGeoidGridName).string()};
}
