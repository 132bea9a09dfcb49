#include "tools/trafficlog/datafile/FlightValueText.h"

#include "text_functions/TextFunctions.h"
#include "traffic/FlightLimits.h"

bool IsUnflyable(FlightValue kind, const char* name, double value, char* reason, int size) {
    using namespace flight_limits;
    // Four values of every row come here: the name is put together only for a finding.
    const char* named = name != nullptr ? name : "";
    const char* gap = name != nullptr ? " " : "";
    if (IsFlyable(kind, value)) {
        return false;
    }
    switch (kind) {
    case FlightValue::GroundSpeed:
        FormatBounded(reason, size, "%s%s%g m/s is beyond what an aircraft flies (%g kt)", named,
                      gap, value, kMaxGroundSpeed / kMetresPerSecondPerKnot);
        return true;
    case FlightValue::VerticalRate:
        FormatBounded(reason, size,
                      "%s%s%g m/s is beyond what an aircraft climbs or descends (%g ft/min)", named,
                      gap, value, kMaxVerticalRate / kMetresPerSecondPerFootPerMinute);
        return true;
    case FlightValue::Height:
        FormatBounded(reason, size, "%s%s%g m is outside the heights aircraft fly (%g to %g m)",
                      named, gap, value, kMinHeight, kMaxHeight);
        return true;
    }
    return false;
}

bool IsFlyable(FlightValue kind, double value) {
    using namespace flight_limits;
    switch (kind) {
    case FlightValue::GroundSpeed:
        return IsFlyableGroundSpeed(value);
    case FlightValue::VerticalRate:
        return IsFlyableVerticalRate(value);
    case FlightValue::Height:
        return IsFlyableHeight(value);
    }
    return true;
}
