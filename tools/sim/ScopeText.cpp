#include "tools/sim/ScopeText.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/sim/SoundScript.h"
#include "traffic/Units.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr double kFeetPerMetre = 1.0 / units::kMetresPerFoot;
constexpr double kNmPerDegree = 60.0;
// Positions on the edge of the box, as the feeder computes it, belong to the scope.
constexpr double kEdgeTolerance = 1e-9;
constexpr double kProximateFt = 1200.0;
constexpr double kTrendMetresPerSecond = 500.0 * units::kMetresPerSecondPerFootPerMinute;
constexpr double kMaxHundreds = 999.0;
constexpr int kLineSize = 256;

std::string Format(const char* format, auto... values) {
    char line[kLineSize];
    FormatBounded(line, kLineSize, format, values...);
    return line;
}

std::string StateText(std::int32_t state) {
    if (state == kSimulationNotRunning) {
        return "not running";
    }
    return state == kSimulationEnding ? "ending" : "running";
}

// Labels of the aircraft that matter most go first: the proximate ones, then the nearest.
double Priority(const ScopeState& state, const AircraftRecord& record) {
    double east = 0, north = 0;
    ScopeOffset(state.own, record.latitude, record.longitude, east, north);
    const bool proximate = TrafficSymbol(record.baroAltitude, state.ownAltitudeFt) == '*';
    return (proximate ? 0.0 : 10.0) + std::hypot(east, north);
}
} // namespace

std::string RelativeAltitudeText(double altitudeMetres, double ownAltitudeFt) {
    const double hundreds = (altitudeMetres * kFeetPerMetre - ownAltitudeFt) / 100.0;
    if (std::isnan(hundreds)) {
        return "?";
    }
    const long rounded = std::lround(std::clamp(hundreds, -kMaxHundreds, kMaxHundreds));
    return rounded == 0 ? "00" : Format("%+03ld", rounded);
}

char TrafficSymbol(double altitudeMetres, double ownAltitudeFt) {
    return std::fabs(altitudeMetres * kFeetPerMetre - ownAltitudeFt) <= kProximateFt ? '*' : 'o';
}

char TrendSymbol(double verticalRate) {
    if (verticalRate > kTrendMetresPerSecond) {
        return '^';
    }
    return verticalRate < -kTrendMetresPerSecond ? 'v' : ' ';
}

std::string CallsignText(const AircraftRecord& record) {
    char text[sizeof record.callsign + 1] = {};
    CopyBounded(text, record.callsign, sizeof text);
    TrimTrailingSpaces(text);
    return text[0] != '\0' ? MaskControls(text) : "?";
}

std::string TrafficLabel(const AircraftRecord& record, double ownAltitudeFt) {
    std::string label = CallsignText(record) +
                        RelativeAltitudeText(record.baroAltitude, ownAltitudeFt) +
                        TrendSymbol(record.verticalRate);
    while (label.back() == ' ') {
        label.pop_back();
    }
    return label;
}

bool ScopeOffset(const OwnShipFix& own, double latitude, double longitude, double& east,
                 double& north) {
    east = std::remainder(longitude - own.longitude, 360.0) / kScopeHalfSize;
    north = (latitude - own.latitude) / kScopeHalfSize;
    return std::isfinite(east) && std::isfinite(north) && std::fabs(east) <= 1.0 + kEdgeTolerance &&
           std::fabs(north) <= 1.0 + kEdgeTolerance;
}

std::vector<int> TrafficInView(const ScopeState& state) {
    std::vector<int> inView;
    const PublicationSnapshot* publication = state.publication;
    for (int i = 0; publication != nullptr && i < publication->recordCount; ++i) {
        const AircraftRecord& record = publication->aircraft[i];
        double east = 0, north = 0;
        if (ScopeOffset(state.own, record.latitude, record.longitude, east, north)) {
            inView.push_back(i);
        }
    }
    std::stable_sort(inView.begin(), inView.end(), [&](int a, int b) {
        return Priority(state, publication->aircraft[a]) <
               Priority(state, publication->aircraft[b]);
    });
    return inView;
}

std::vector<std::string> StatusLines(const ScopeState& state) {
    const OwnShipFix& own = state.own;
    std::vector<std::string> lines = {
        Format("t %.1f s, simulation %s", state.seconds, StateText(state.simulationState).c_str()),
        Format("own %.4f %c %.4f %c", std::fabs(own.latitude), own.latitude < 0 ? 'S' : 'N',
               std::fabs(own.longitude), own.longitude < 0 ? 'W' : 'E'),
        Format("track %03.0f, %.0f ft", own.track, state.ownAltitudeFt),
        Format("alert %d: %s", state.soundRequest, AlertName(state.soundRequest)),
    };
    const PublicationSnapshot* publication = state.publication;
    if (publication == nullptr) {
        lines.push_back("no publication yet");
        return lines;
    }
    lines.push_back(Format("publishCounter %d, %.0f s ago", publication->publishCounter,
                           std::max(state.seconds - state.publishedAt, 0.0)));
    lines.push_back(Format("aircraftCount %d  trafficStatus %d", publication->aircraftCount,
                           publication->trafficStatus));
    return lines;
}

std::vector<std::string> RangeLines(const ScopeState& state) {
    const double side = 2 * kScopeHalfSize;
    return {Format("box %.1f x %.1f deg, ticks %.1f", side, side, kScopeTickDegrees),
            Format("%.0f NM N-S, %.0f NM E-W", side * kNmPerDegree,
                   side * kNmPerDegree * std::cos(state.own.latitude * units::kRadiansPerDegree))};
}

std::vector<std::string> SlotLines(const ScopeState& state) {
    const PublicationSnapshot* publication = state.publication;
    if (publication == nullptr) {
        return {"slot 1:", "slot 3:", "slot 6:"};
    }
    return {"slot 1: " + MaskControls(publication->slot1),
            "slot 3: " + MaskControls(publication->slot3),
            "slot 6: " + MaskControls(publication->slot6)};
}

std::string PublicationLogLine(const ScopeState& state) {
    if (state.publication == nullptr) {
        return {};
    }
    const PublicationSnapshot& publication = *state.publication;
    std::string line = Format("%7.1f s publication %d: %d aircraft, status %d, own %.4f %.4f",
                              state.seconds, publication.publishCounter, publication.aircraftCount,
                              publication.trafficStatus, state.own.latitude, state.own.longitude);
    // The time of the newest position in it tells one recorded entry from the next.
    if (publication.recordCount > 0) {
        std::int32_t recorded = publication.aircraft[0].positionTime;
        for (int i = 1; i < publication.recordCount; ++i) {
            recorded = std::max(recorded, publication.aircraft[i].positionTime);
        }
        char stamp[kUtcTimestampSize];
        line += std::string(", recorded ") + FormatUtcTimestamp(stamp, sizeof stamp, recorded);
    }
    for (int i = 0; i < publication.recordCount; ++i) {
        line += (i == 0 ? ": " : " ");
        line += CallsignText(publication.aircraft[i]) +
                RelativeAltitudeText(publication.aircraft[i].baroAltitude, state.ownAltitudeFt);
    }
    return line;
}
