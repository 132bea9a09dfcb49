#include "tools/fg/scenery/GeoidFile.h"

// Debian's proj-data, then PROJ built and installed by hand.
std::vector<std::string> UsualGeoidGrids() {
    return {std::string("/usr/share/proj/") + kGeoidGridName,
            std::string("/usr/local/share/proj/") + kGeoidGridName};
}
