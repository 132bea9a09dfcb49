// The stand-in's script of aural-alert requests: "5:0,12:10" asks for code 0 (traffic) from
// 5 s after the start and code 10 (silence) from 12 s on. Before the first step, and without a
// script, the request is silence, the state the feeder's player starts in.
#pragma once

#include "error_report/QX_ErrorReport.h"
#include "shared_memory/SoundRequest.h"

#include <cstdint>

// The alert a request code asks for, in words ("Traffic", "Climb now", "Silence"); codes that ask
// for nothing give "no request".
const char* AlertName(std::int32_t code);

class SoundScript : public QX_ErrorReport {
public:
    static constexpr int kMaxSteps = 64;

    // Steps "SECONDS:CODE" separated by commas, times not decreasing. False (script unchanged)
    // on a malformed text.
    bool Parse(const char* text);
    std::int32_t RequestAt(double seconds) const;
    int StepCount() const { return stepCount; }

private:
    struct Step {
        double seconds;
        std::int32_t code;
    };

    Step steps[kMaxSteps] = {};
    int stepCount = 0;
};
