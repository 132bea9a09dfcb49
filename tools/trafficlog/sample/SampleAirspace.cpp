#include "tools/trafficlog/sample/SampleAirspace.h"

#include <cstring>

namespace {
// Positions rounded to about a hundred metres; elevations in metres.
const SamplePoint kPoints[] = {
    {"EGLL", 51.4700, -0.4543, 25},  // London Heathrow
    {"EGKK", 51.1481, -0.1903, 62},  // London Gatwick
    {"EGSS", 51.8850, 0.2350, 106},  // London Stansted
    {"EGMC", 51.5703, 0.6956, 15},   // Southend
    {"EGMD", 50.9561, 0.9392, 4},    // Lydd
    {"EGKA", 50.8356, -0.2972, 2},   // Shoreham
    {"EGHI", 50.9503, -1.3568, 13},  // Southampton
    {"EGKB", 51.3308, 0.0325, 183},  // Biggin Hill
    {"EGLC", 51.5053, 0.0553, 6},    // London City
    {"LFAT", 50.5150, 1.6206, 11},   // Le Touquet
    {"LFQQ", 50.5633, 3.0869, 48},   // Lille
    {"LFRG", 49.3653, 0.1542, 146},  // Deauville
    {"LFPG", 49.0097, 2.5478, 119},  // Paris Charles de Gaulle
    {"LFPO", 48.7233, 2.3794, 89},   // Paris Orly
    {"LFOB", 49.4544, 2.1128, 109},  // Beauvais
    {"LFRC", 49.6501, -1.4703, 140}, // Cherbourg
    {"LFOH", 49.5339, 0.0881, 95},   // Le Havre
    {"LFAC", 50.9621, 1.9548, 3},    // Calais
    // Route points.
    {"SFD", 50.7606, 0.1219, 0},    // Seaford
    {"DVR", 51.1628, 1.3597, 0},    // Dover
    {"MID", 51.0539, -0.6250, 0},   // Midhurst
    {"BIG", 51.3308, 0.0347, 0},    // Biggin
    {"LYD", 50.9978, 0.8789, 0},    // Lydd VOR
    {"ABB", 50.1353, 1.8547, 0},    // Abbeville
    {"BOGNA", 50.6800, -0.7500, 0}, // south of Bognor
    {"KONAN", 51.0000, 2.0000, 0},  // entry to the Brussels sector
    {"ROUEN", 49.3867, 1.1750, 0},  // Rouen
    {"PEKIM", 50.1000, -0.4000, 0}, // mid-Channel
    {"DIEPP", 49.9300, 1.0850, 0},  // Dieppe
    // Far ends of routes that cross the area.
    {"LEMD", 40.4719, -3.5626, 610}, // Madrid
    {"LFMN", 43.6584, 7.2159, 4},    // Nice
    {"EHAM", 52.3086, 4.7639, -3},   // Amsterdam
    {"EBBR", 50.9014, 4.4844, 56},   // Brussels
    {"LSGG", 46.2381, 6.1089, 430},  // Geneva
    {"LFBD", 44.8283, -0.7156, 49},  // Bordeaux
    {"EIDW", 53.4213, -6.2701, 74},  // Dublin
};

const Operator kOperators[] = {
    {"BAW", 0x400000, 0x3FFF, false}, {"EZY", 0x406000, 0x3FFF, false},
    {"VIR", 0x407000, 0x0FFF, false}, {"TOM", 0x405000, 0x0FFF, false},
    {"AFR", 0x390000, 0x3FFF, false}, {"EJU", 0x440000, 0x3FFF, false},
    {"RYR", 0x4CA000, 0x0FFF, false}, {"IBE", 0x340000, 0x3FFF, false},
    {"KLM", 0x484000, 0x3FFF, false}, {"SWR", 0x4B0000, 0x3FFF, false},
    {"BEL", 0x448000, 0x0FFF, false}, {"LOG", 0x402000, 0x0FFF, false},
    {"AUR", 0x43E000, 0x0FFF, false}, {"HOP", 0x394000, 0x3FFF, false},
    {"G", 0x420000, 0xFFFF, true},    {"F", 0x3A0000, 0xFFFF, true},
};

// Altitudes: jets between FL110 and FL370, turboprops FL80 to FL200, light aircraft at 2000 to
// 4500 ft. Weights are flights per hundred, very roughly the share of the real traffic.
const SampleRoute kRoutes[] = {
    {"EGKK SFD LFRG", AircraftClass::Turboprop, 4900, "AUR HOP", 2},
    {"EGKK SFD DIEPP LFPG", AircraftClass::Jet, 7300, "EZY BAW", 8},
    {"EGLL MID SFD ROUEN LFPO", AircraftClass::Jet, 7900, "BAW AFR", 6},
    {"EGLL MID BOGNA PEKIM LEMD", AircraftClass::Jet, 11300, "BAW IBE", 6},
    {"EGKK SFD DIEPP LFMN", AircraftClass::Jet, 10700, "EZY BAW", 6},
    {"EGKK SFD ROUEN LFBD", AircraftClass::Jet, 10400, "EZY", 3},
    {"EGKK SFD DIEPP LSGG", AircraftClass::Jet, 10900, "EZY SWR", 4},
    {"EGSS BIG SFD PEKIM LEMD", AircraftClass::Jet, 11000, "RYR", 4},
    {"LFPG DIEPP SFD EGKK", AircraftClass::Jet, 7000, "AFR EZY", 7},
    {"LFPO ROUEN SFD MID EGLL", AircraftClass::Jet, 7600, "AFR BAW", 5},
    {"LFMN DIEPP SFD EGKK", AircraftClass::Jet, 10100, "EZY EJU", 6},
    {"LEMD PEKIM SFD BIG EGLL", AircraftClass::Jet, 11600, "IBE BAW", 5},
    {"LFBD ROUEN PEKIM BOGNA EGHI", AircraftClass::Turboprop, 6100, "LOG HOP", 2},
    {"EGLC SFD ROUEN LFRG", AircraftClass::Turboprop, 5500, "BAW", 2},
    {"EGLL DVR KONAN EHAM", AircraftClass::Jet, 7000, "KLM BAW", 5},
    {"EBBR KONAN LYD SFD EGHI", AircraftClass::Turboprop, 5200, "BEL LOG", 2},
    {"EIDW MID SFD DIEPP LFPG", AircraftClass::Jet, 11300, "RYR EJU", 4},
    {"LFPG ABB LYD BIG EGSS", AircraftClass::Jet, 8200, "RYR EZY", 3},
    {"EGKA SFD LFAT", AircraftClass::Light, 760, "G", 4},
    {"LFAT SFD EGKA", AircraftClass::Light, 900, "G F", 3},
    {"EGKA DIEPP LFOH", AircraftClass::Light, 1220, "G F", 2},
    {"EGMD LFAT", AircraftClass::Light, 1070, "G F", 3},
    {"LFAT EGMD", AircraftClass::Light, 1070, "G F", 2},
    {"EGMD SFD EGKA", AircraftClass::Light, 610, "G", 2},
    {"LFAC LYD EGMC", AircraftClass::Light, 1370, "G F", 1},
    {"EGKA PEKIM LFRC", AircraftClass::Light, 1370, "G F", 2},
    {"LFQQ ABB DIEPP SFD EGKA", AircraftClass::Light, 1220, "F", 1},
    {"EGKB SFD LFOB", AircraftClass::Light, 1520, "G", 2},
};

const char* NameEnd(const char* name) {
    while (*name != '\0' && *name != ' ') {
        ++name;
    }
    return name;
}

bool SameName(const char* a, const char* b) {
    const std::size_t length = static_cast<std::size_t>(NameEnd(b) - b);
    return std::strlen(a) == length && std::strncmp(a, b, length) == 0;
}
} // namespace

std::span<const SamplePoint> SamplePoints() {
    return kPoints;
}

std::span<const Operator> SampleOperators() {
    return kOperators;
}

std::span<const SampleRoute> SampleRoutes() {
    return kRoutes;
}

// Names may end at a space, so that entries of a route text are found without a copy.
const SamplePoint* FindSamplePoint(const char* name) {
    for (const SamplePoint& point : kPoints) {
        if (SameName(point.name, name)) {
            return &point;
        }
    }
    return nullptr;
}

const Operator* FindSampleOperator(const char* prefix) {
    for (const Operator& op : kOperators) {
        if (SameName(op.callsignPrefix, prefix)) {
            return &op;
        }
    }
    return nullptr;
}
