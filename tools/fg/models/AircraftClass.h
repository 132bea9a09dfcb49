#pragma once
// The broad class of an aircraft, for a generic model when neither its type nor its operator
// has one: from the ICAO type description of a database (L2J: landplane, two jets), else from
// how fast and how high it flies.

#include <span>
#include <string_view>

enum class AircraftClass {
    Unknown,
    LightSingle,
    TwinTurboprop,
    RegionalJet,
    NarrowBody,
    WideBody,
    Helicopter
};

const char* AircraftClassName(AircraftClass kind);
// From a type description such as L1P, L2T, L2J, L4J, H1T; a two-jet type whose designator is
// that of a regional jet family (CRJ, ERJ, E-Jet, Fokker) is a regional jet. Unknown when the
// description says nothing.
AircraftClass ClassOf(std::string_view description, std::string_view typeCode);
// From ground speed (m/s) and height (metres): slow and low is light, below the airways at
// turboprop speeds a turboprop, a jet cruising low a regional jet, else a narrow-body.
AircraftClass ClassOfFlight(double groundSpeed, double altitude);
// The AI folders that draw a class, best first.
std::span<const char* const> GenericFolders(AircraftClass kind);
