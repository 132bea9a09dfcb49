// What the visual system would show, in the texts that the terminal scope, the SVG picture and
// the log share: each aircraft's label (callsign, altitude relative to the own-ship in hundreds
// of feet, trend), the status (time, own-ship, alert request, last publication and its age),
// the legend, the diagnostic slots 1, 3 and 6, and the one-line log of a publication. Altitudes
// in the records are taken as metres (as recorded state vectors give them). Every text from the
// block is shown through the one masking rule, so that a peer cannot act on the terminal.
#pragma once

#include "shared_memory/SimulatorSide.h"
#include "tools/sim/OwnShipRoute.h"

#include <cstdint>
#include <string>
#include <vector>

// Half the side of the box the scope shows, degrees: the feeder's view box.
inline constexpr double kScopeHalfSize = 0.6;
// Grid ticks, degrees.
inline constexpr double kScopeTickDegrees = 0.2;

struct ScopeState {
    double seconds = 0;
    OwnShipFix own{};
    double ownAltitudeFt = 0;
    std::int32_t soundRequest = 0;
    std::int32_t simulationState = 0;
    const PublicationSnapshot* publication = nullptr; // null before the first one
    double publishedAt = 0;                           // seconds when it was seen
};

// What the symbols mean, for the legends.
struct LegendEntry {
    const char* symbol;
    const char* meaning;
};
inline constexpr LegendEntry kLegend[] = {
    {"@", "own-ship"},
    {"*", "traffic within 1200 ft"},
    {"o", "other traffic"},
    {"+12", "relative alt, 100s of ft"},
    {"^ v", "climbing, descending"},
};

// Relative altitude in hundreds of feet, rounded ("+12", "-05", "00"); "?" for an altitude that
// is no number, and at most 999 hundreds either way.
std::string RelativeAltitudeText(double altitudeMetres, double ownAltitudeFt);
// Symbol of one aircraft: '*' within 1200 ft of the own-ship, 'o' otherwise.
char TrafficSymbol(double altitudeMetres, double ownAltitudeFt);
// '^' climbing or 'v' descending by more than 500 ft/min (vertical rate in m/s), else ' '.
char TrendSymbol(double verticalRateMetresPerSecond);

// The callsign as it may be shown: masked, without trailing spaces, "?" when empty.
std::string CallsignText(const AircraftRecord& record);
// "BAW12+12^": callsign, relative altitude and trend, without trailing spaces.
std::string TrafficLabel(const AircraftRecord& record, double ownAltitudeFt);

// Where a position lies in the box around the own-ship: east and north as shares of the half
// side, -1 to 1 (longitudes the short way round). False outside the box or for a position that
// is no number.
bool ScopeOffset(const OwnShipFix& own, double latitude, double longitude, double& east,
                 double& north);
// The published aircraft inside the box, as indices, in the order their labels are placed:
// those within 1200 ft first, then the nearest first.
std::vector<int> TrafficInView(const ScopeState& state);

// Short lines (at most 33 characters for the values a block usually holds): time and simulation
// state, own-ship, alert request by name, last publication with its age, and its counters.
std::vector<std::string> StatusLines(const ScopeState& state);
// The size of the box in degrees and in nautical miles at the own-ship's latitude.
std::vector<std::string> RangeLines(const ScopeState& state);
// "slot 1: ...", "slot 3: ...", "slot 6: ..." (empty after the colon before a publication).
std::vector<std::string> SlotLines(const ScopeState& state);

std::string PublicationLogLine(const ScopeState& state);
