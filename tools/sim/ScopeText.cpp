#include "tools/sim/ScopeText.h"

#include "config_control/ConfigControl.h"
#include "text_functions/TextFunctions.h"

#include <cmath>
#include <cstring>

namespace {
const char kRevision[] = "%Z% CorvaneSim QX5001:08 ScopeText.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Corvane Sim", {kScopeTextHeaderRevision, kRevision});
}

constexpr double kFeetPerMetre = 1.0 / 0.3048;
// Positions on the edge of the box, as the feeder computes it, belong to the scope.
constexpr double kEdgeTolerance = 1e-9;
constexpr double kProximateFt = 1200.0;
constexpr double kTrendMetresPerSecond = 500.0 / kFeetPerMetre / 60.0;
constexpr int kCentreColumn = (kScopeColumns - 1) / 2;
constexpr int kCentreRow = (kScopeRows - 1) / 2;
constexpr int kLineSize = 256;

std::string Callsign(const AircraftRecord& record) {
    char text[sizeof record.callsign + 1] = {};
    CopyBounded(text, record.callsign, sizeof text);
    TrimTrailingSpaces(text);
    return text[0] != '\0' ? text : "?";
}

std::string Label(const AircraftRecord& record, double ownAltitudeFt) {
    std::string label = Callsign(record) +
                        RelativeAltitudeText(record.baroAltitude, ownAltitudeFt) +
                        TrendSymbol(record.verticalRate);
    while (label.back() == ' ') {
        label.pop_back();
    }
    return label;
}

bool IsFree(const std::string& row, int first, std::size_t length) {
    if (first < 0 || first + static_cast<int>(length) > kScopeColumns) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        const char cell = row[static_cast<std::size_t>(first) + i];
        if (cell != ' ' && cell != '.') {
            return false;
        }
    }
    return true;
}

// Right of the symbol, else left of it; a label that fits neither way is left out rather
// than mixed into another.
void PlaceLabel(std::string& row, int column, const std::string& label) {
    for (int first : {column + 1, column - static_cast<int>(label.size())}) {
        if (IsFree(row, first, label.size())) {
            row.replace(static_cast<std::size_t>(first), label.size(), label);
            return;
        }
    }
}

std::string StateText(std::int32_t state) {
    if (state == kSimulationNotRunning) {
        return "not running";
    }
    return state == kSimulationEnding ? "ending" : "running";
}

std::string Format(const char* format, auto... values) {
    char line[kLineSize];
    FormatBounded(line, kLineSize, format, values...);
    return line;
}

// A border line of the scope's full width with its label at the left.
std::string Border(std::string label) {
    label.resize(kScopeColumns + 1, '-');
    return label + "+";
}

std::vector<std::string> Grid(const ScopeState& state) {
    std::vector<std::string> grid(kScopeRows, std::string(kScopeColumns, ' '));
    // Ticks every 0.2 degrees along the axes through the own-ship.
    for (int i = -3; i <= 3; ++i) {
        grid[kCentreRow][static_cast<std::size_t>(kCentreColumn + i * kCentreColumn / 3)] = '.';
        grid[static_cast<std::size_t>(kCentreRow + i * kCentreRow / 3)][kCentreColumn] = '.';
    }
    grid[kCentreRow][kCentreColumn] = '@';
    if (state.publication == nullptr) {
        return grid;
    }
    const PublicationSnapshot& publication = *state.publication;
    // Symbols first, so that no label hides one.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < publication.recordCount; ++i) {
            const AircraftRecord& record = publication.aircraft[i];
            int column = 0, row = 0;
            if (!ScopeCell(state.own, record.latitude, record.longitude, column, row)) {
                continue;
            }
            std::string& line = grid[static_cast<std::size_t>(row)];
            if (pass == 0) {
                line[static_cast<std::size_t>(column)] =
                    TrafficSymbol(record.baroAltitude, state.ownAltitudeFt);
            } else {
                PlaceLabel(line, column, Label(record, state.ownAltitudeFt));
            }
        }
    }
    return grid;
}
} // namespace

std::string RelativeAltitudeText(double altitudeMetres, double ownAltitudeFt) {
    const long hundreds = std::lround((altitudeMetres * kFeetPerMetre - ownAltitudeFt) / 100.0);
    if (hundreds == 0) {
        return "00";
    }
    return Format("%+03ld", hundreds);
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

bool ScopeCell(const OwnShipFix& own, double latitude, double longitude, int& column, int& row) {
    const double east = (longitude - own.longitude) / kScopeHalfSize;
    const double north = (latitude - own.latitude) / kScopeHalfSize;
    if (!std::isfinite(east) || !std::isfinite(north) || std::fabs(east) > 1.0 + kEdgeTolerance ||
        std::fabs(north) > 1.0 + kEdgeTolerance) {
        return false;
    }
    column = kCentreColumn + static_cast<int>(std::lround(east * kCentreColumn));
    row = kCentreRow - static_cast<int>(std::lround(north * kCentreRow));
    return true;
}

std::vector<std::string> RenderScope(const ScopeState& state) {
    RegisterModule();
    std::vector<std::string> lines;
    lines.push_back(Border(Format("+-- N %.2f ", state.own.latitude + kScopeHalfSize)));
    for (const std::string& row : Grid(state)) {
        lines.push_back("|" + row + "|");
    }
    lines.push_back(
        Border(Format("+-- S %.2f -- W %.2f -- E %.2f ", state.own.latitude - kScopeHalfSize,
                      state.own.longitude - kScopeHalfSize, state.own.longitude + kScopeHalfSize)));
    lines.push_back(Format("t %6.1f s  own %8.4f %9.4f  track %03.0f  %5.0f ft  simulation %s  "
                           "sound request %d",
                           state.seconds, state.own.latitude, state.own.longitude, state.own.track,
                           state.ownAltitudeFt, StateText(state.simulationState).c_str(),
                           state.soundRequest));
    if (state.publication == nullptr) {
        lines.push_back("waiting for the first publication");
        return lines;
    }
    const PublicationSnapshot& publication = *state.publication;
    lines.push_back(Format("publishCounter %d  aircraftCount %d  trafficStatus %d",
                           publication.publishCounter, publication.aircraftCount,
                           publication.trafficStatus));
    lines.push_back(Format("slot 1: %s", publication.slot1));
    lines.push_back(Format("slot 3: %s", publication.slot3));
    lines.push_back(Format("slot 6: %s", publication.slot6));
    return lines;
}

std::string PublicationLogLine(const ScopeState& state) {
    RegisterModule();
    if (state.publication == nullptr) {
        return {};
    }
    const PublicationSnapshot& publication = *state.publication;
    std::string line = Format("%7.1f s publication %d: %d aircraft, status %d, own %.4f %.4f",
                              state.seconds, publication.publishCounter, publication.aircraftCount,
                              publication.trafficStatus, state.own.latitude, state.own.longitude);
    for (int i = 0; i < publication.recordCount; ++i) {
        line += (i == 0 ? ": " : " ");
        line += Callsign(publication.aircraft[i]) +
                RelativeAltitudeText(publication.aircraft[i].baroAltitude, state.ownAltitudeFt);
    }
    return line;
}
