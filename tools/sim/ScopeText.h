// What the visual system would show, as text: the terminal scope (own-ship in the centre, the
// view box around it, each published aircraft with its callsign and relative altitude, the
// counters and diagnostic slots 1, 3 and 6) and the one-line log of a publication. Altitudes in
// the records are taken as metres (as recorded state vectors give them) and shown relative to
// the own-ship in hundreds of feet.
#pragma once

#include "tools/sim/SimPeer.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr char kScopeTextHeaderRevision[] =
    "%Z% CorvaneSim QX5001:07 ScopeText.h $Revision: 1.1 $";

inline constexpr int kScopeColumns = 61;
inline constexpr int kScopeRows = 25;
// Half the side of the box the scope shows, degrees: the feeder's view box.
inline constexpr double kScopeHalfSize = 0.6;

struct ScopeState {
    double seconds = 0;
    OwnShipFix own{};
    double ownAltitudeFt = 0;
    std::int32_t soundRequest = 0;
    std::int32_t simulationState = 0;
    const PublicationSnapshot* publication = nullptr; // null before the first one
};

// Relative altitude in hundreds of feet, rounded ("+12", "-05", "00").
std::string RelativeAltitudeText(double altitudeMetres, double ownAltitudeFt);
// Symbol of one aircraft: '*' within 1200 ft of the own-ship, 'o' otherwise.
char TrafficSymbol(double altitudeMetres, double ownAltitudeFt);
// '^' climbing or 'v' descending by more than 500 ft/min (vertical rate in m/s), else ' '.
char TrendSymbol(double verticalRateMetresPerSecond);

// Cell of a position in the scope grid (column, row), false outside it.
bool ScopeCell(const OwnShipFix& own, double latitude, double longitude, int& column, int& row);

std::vector<std::string> RenderScope(const ScopeState& state);
std::string PublicationLogLine(const ScopeState& state);
