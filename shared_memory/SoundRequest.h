#pragma once
// The alert requests of the block's soundRequest: the simulator side writes them, the feeder
// plays them. Both sides build on this one list.

#include <cstdint>

inline constexpr char kSoundRequestRevision[] =
    "%Z% SoundRequest QX2083:05 SoundRequest.h $Revision: 1.1 $";

// Request codes as the simulator writes them into the block's soundRequest. Every other code
// is no request.
enum class SoundRequest : std::int32_t {
    Traffic = 0,
    Climb = 1,
    ClimbNow = 2,
    Descend = 3,
    DescendNow = 4,
    ClearOfTraffic = 5,
    TcasSysFail = 6,
    TcasSilence = 10,
};
