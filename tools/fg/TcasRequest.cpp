#include "tools/fg/TcasRequest.h"

#include "shared_memory/SoundRequest.h"

namespace {
// Where the voice's words differ from the feeder's names of the requests.
constexpr SoundRequestSpelling kVoiceWords[] = {
    {SoundRequest::ClearOfTraffic, "CLEAR OF CONFLICT"},
    {SoundRequest::TcasSysFail, "TCAS SYSTEM FAIL"},
    {SoundRequest::TcasSilence, "silence"},
};
} // namespace

std::int32_t RequestOf(const TcasAdvisory& advisory) {
    SoundRequest request = SoundRequest::TcasSilence;
    switch (advisory.kind) {
    case TcasAdvisoryKind::Traffic:
        request = SoundRequest::Traffic;
        break;
    case TcasAdvisoryKind::Resolution:
        if (advisory.sense == TcasSense::Climb) {
            request = advisory.reversed ? SoundRequest::ClimbNow : SoundRequest::Climb;
        } else {
            request = advisory.reversed ? SoundRequest::DescendNow : SoundRequest::Descend;
        }
        break;
    case TcasAdvisoryKind::ClearOfConflict:
        request = SoundRequest::ClearOfTraffic;
        break;
    case TcasAdvisoryKind::None:
        break;
    }
    return static_cast<std::int32_t>(request);
}

const char* RequestName(std::int32_t request) {
    if (const char* own = SpellingOf(request, kVoiceWords)) {
        return own;
    }
    const char* name = SoundRequestName(request);
    return name != nullptr ? name : "no request";
}
