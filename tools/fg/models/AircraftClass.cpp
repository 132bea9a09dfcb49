#include "tools/fg/models/AircraftClass.h"

namespace {
constexpr const char* kLight[] = {"c172", "pa-28", "c177"};
constexpr const char* kTurboprop[] = {"AT7", "DH4", "AT4", "DH3"};
constexpr const char* kRegional[] = {"CR9", "E90", "CR7", "ERJ145"};
constexpr const char* kNarrow[] = {"A320", "738", "A319"};
constexpr const char* kWide[] = {"777", "A333", "767"};

// Below these a flight is light; below the turboprop ones a turboprop; below the regional ones
// a regional jet.
constexpr double kLightSpeed = 75;        // about 145 kt
constexpr double kLightHeight = 4000;     // about 13 000 ft
constexpr double kTurbopropSpeed = 150;   // about 290 kt
constexpr double kTurbopropHeight = 7600; // FL250
constexpr double kRegionalHeight = 9500;  // FL310

bool IsRegionalJetType(std::string_view type) {
    for (const std::string_view family :
         {"CRJ", "E13", "E14", "E17", "E19", "E75", "F70", "F100"}) {
        if (type.starts_with(family)) {
            return true;
        }
    }
    return false;
}
} // namespace

const char* AircraftClassName(AircraftClass kind) {
    switch (kind) {
    case AircraftClass::LightSingle:
        return "light single-engine";
    case AircraftClass::TwinTurboprop:
        return "twin turboprop";
    case AircraftClass::RegionalJet:
        return "regional jet";
    case AircraftClass::NarrowBody:
        return "narrow-body";
    case AircraftClass::WideBody:
        return "wide-body";
    case AircraftClass::Helicopter:
        return "helicopter";
    case AircraftClass::Unknown:
        break;
    }
    return "unknown";
}

AircraftClass ClassOf(std::string_view description, std::string_view typeCode) {
    if (description.size() != 3) {
        return AircraftClass::Unknown;
    }
    const char kind = description[0];
    const char engines = description[1];
    const char power = description[2];
    if (kind == 'H' || kind == 'G') {
        return AircraftClass::Helicopter;
    }
    if (power == 'J') {
        if (engines >= '3') {
            return AircraftClass::WideBody;
        }
        return IsRegionalJetType(typeCode) ? AircraftClass::RegionalJet : AircraftClass::NarrowBody;
    }
    if (power == 'T' && engines >= '2') {
        return AircraftClass::TwinTurboprop;
    }
    if (power == 'P' || power == 'T') {
        return AircraftClass::LightSingle;
    }
    return AircraftClass::Unknown;
}

AircraftClass ClassOfFlight(double groundSpeed, double altitude) {
    if (groundSpeed < kLightSpeed && altitude < kLightHeight) {
        return AircraftClass::LightSingle;
    }
    if (groundSpeed < kTurbopropSpeed && altitude < kTurbopropHeight) {
        return AircraftClass::TwinTurboprop;
    }
    return altitude < kRegionalHeight ? AircraftClass::RegionalJet : AircraftClass::NarrowBody;
}

std::span<const char* const> GenericFolders(AircraftClass kind) {
    switch (kind) {
    case AircraftClass::LightSingle:
        return kLight;
    case AircraftClass::TwinTurboprop:
        return kTurboprop;
    case AircraftClass::RegionalJet:
        return kRegional;
    case AircraftClass::NarrowBody:
        return kNarrow;
    case AircraftClass::WideBody:
        return kWide;
    case AircraftClass::Helicopter:
    case AircraftClass::Unknown:
        break;
    }
    // FlightGear's AI data has no helicopter: such an aircraft keeps the default model.
    return {};
}
