#include "tools/fg/models/FgRoot.h"

namespace {
[[maybe_unused]] const char kRevision[] =
    "%Z% CorvaneFgModels QX5004:19 FgRoot_posix.cpp $Revision: 1.1 $";
} // namespace

// Debian's flightgear-data, then builds installed by hand.
std::vector<std::string> UsualFgRoots() {
    return {"/usr/share/games/flightgear", "/usr/share/flightgear", "/usr/local/share/flightgear"};
}
