#pragma once
// The alert requests of the block's soundRequest: the simulator side writes them, the feeder
// plays them. Both sides build on this one list, and on the one table of their names.

#include <cstdint>
#include <span>

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

// Silence cuts off every alert. It is where the feeder's player starts and what a simulator side
// writes before its first alert, so that a reader never mistakes a fresh block for "traffic".
inline constexpr auto kSilenceRequest = static_cast<std::int32_t>(SoundRequest::TcasSilence);

struct SoundRequestSpelling {
    SoundRequest request;
    const char* name;
};

// The name of each request as the feeder shows it. A program that words a request its own way
// keeps a table of only those requests and looks there first.
inline constexpr SoundRequestSpelling kSoundRequestNames[] = {
    {SoundRequest::Traffic, "TRAFFIC"},
    {SoundRequest::Climb, "CLIMB"},
    {SoundRequest::ClimbNow, "CLIMB NOW"},
    {SoundRequest::Descend, "DESCEND"},
    {SoundRequest::DescendNow, "DESCEND NOW"},
    {SoundRequest::ClearOfTraffic, "CLEAR OF TRAFFIC"},
    {SoundRequest::TcasSysFail, "TCAS SYS FAIL"},
    {SoundRequest::TcasSilence, "TCAS SILENCE"},
};

// The name `spellings` give the code, or nullptr when they hold none for it (the code asks for
// nothing, or the program words it as the feeder does).
constexpr const char* SpellingOf(std::int32_t code,
                                 std::span<const SoundRequestSpelling> spellings) {
    for (const SoundRequestSpelling& spelling : spellings) {
        if (static_cast<std::int32_t>(spelling.request) == code) {
            return spelling.name;
        }
    }
    return nullptr;
}

// The feeder's name of a request; nullptr for a code that asks for nothing.
constexpr const char* SoundRequestName(std::int32_t code) {
    return SpellingOf(code, kSoundRequestNames);
}
