#include "tools/fg/models/FgRoot.h"

// Debian's flightgear-data, then builds installed by hand.
std::vector<std::string> UsualFgRoots() {
    return {"/usr/share/games/flightgear", "/usr/share/flightgear", "/usr/local/share/flightgear"};
}
