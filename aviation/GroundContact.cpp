#include "aviation/GroundContact.h"

const Airport* GroundAirport(const AirportIndex& airports, double latitude, double longitude) {
    const Airport* land =
        airports.Nearest(latitude, longitude, kGroundAirportMetres, AirportKind::Land);
    return land != nullptr ? land : airports.Nearest(latitude, longitude, kGroundAirportMetres);
}

bool MayStandOnGround(const GroundReport& report, const Airport* airport) {
    // Not a number is no speed: nothing can be said of it.
    return airport != nullptr && report.groundSpeed < kGroundSpeedBelow;
}

double GroundHeight(const Airport& airport, std::optional<double> terrain) {
    return terrain.value_or(airport.elevation);
}

bool IsOnGround(const GroundReport& report, const Airport* airport, double ground) {
    return MayStandOnGround(report, airport) &&
           (!report.height || *report.height - ground <= kGroundHeightWithin);
}
