#pragma once
// Airports of the tests: Honolulu as FlightGear's airport data has it, with neighbours that
// make the nearest field a question.

#include "aviation/Airports.h"
#include "text_functions/TextFunctions.h"

inline Runway MakeRunway(const char* nameA, double latA, double lonA, double displacedA,
                         const char* nameB, double latB, double lonB, double displacedB,
                         double width = 45.72) {
    Runway runway{};
    CopyBounded(runway.ends[0].name, nameA, kRunwayNameSize);
    runway.ends[0].latitude = latA;
    runway.ends[0].longitude = lonA;
    runway.ends[0].displacedThreshold = static_cast<float>(displacedA);
    CopyBounded(runway.ends[1].name, nameB, kRunwayNameSize);
    runway.ends[1].latitude = latB;
    runway.ends[1].longitude = lonB;
    runway.ends[1].displacedThreshold = static_cast<float>(displacedB);
    runway.width = static_cast<float>(width);
    return runway;
}

// Honolulu's four runways as FlightGear's airport data has them, a field 20 km west of it, a
// heliport and an airport on the 180th meridian.
inline AirportIndex Honolulu() {
    AirportIndex index;
    index.AddAirport("PHNL", 13, AirportKind::Land);
    index.AddRunway(
        MakeRunway("08L", 21.32524700, -157.94323300, 0, "26R", 21.32524400, -157.90709400, 0));
    index.AddRunway(MakeRunway("08R", 21.30680300, -157.94585000, 0, "26L", 21.30680000,
                               -157.91059700, 0, 60.96));
    index.AddRunway(
        MakeRunway("04R", 21.31391700, -157.92713600, 0, "22L", 21.32882200, -157.90601100, 0));
    index.AddRunway(
        MakeRunway("04L", 21.31833100, -157.92331900, 0, "22R", 21.32984700, -157.90700600, 0));
    index.AddAirport("PHJR", 30, AirportKind::Land);
    index.AddRunway(MakeRunway("04R", 21.3000, -158.0800, 150, "22L", 21.3200, -158.0600, 0));
    index.AddAirport("HELI", 100, AirportKind::Heliport);
    index.AddPlace(21.3300, -157.9300);
    index.AddAirport("NONE", 0, AirportKind::Land); // nothing places it
    index.AddAirport("DATE", 7, AirportKind::Land);
    index.AddRunway(MakeRunway("09", -16.5, 179.995, 0, "27", -16.5, -179.985, 0));
    index.Finish();
    return index;
}
