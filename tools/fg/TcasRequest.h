#pragma once
// What the bridge, as the simulator, asks the feeder to say for a traffic advisory: the block's
// aural-alert request, and the words of the voice for each.

#include "aviation/Tcas.h"

#include <cstdint>

// The aural-alert request of an advisory: 0 traffic, 1 climb, 2 climb now, 3 descend,
// 4 descend now, 5 clear of conflict, 10 silence.
std::int32_t RequestOf(const TcasAdvisory& advisory);
// What the voice says for a request ("TRAFFIC", "CLIMB NOW", ...; "silence" for 10).
const char* RequestName(std::int32_t request);
