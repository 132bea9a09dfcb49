#pragma once
// Which model FlightGear draws an aircraft with, best first, the reason kept: the user's table;
// the airframe's own model by registration; its operator's livery of its type; its type in any
// livery; its operator's most common model; a generic of its class; the default. Among equal
// candidates the choice follows a hash of the address, so an aircraft keeps its model across
// publications and runs.

#include "tools/fg/models/AircraftClass.h"
#include "tools/fg/models/AircraftDatabase.h"
#include "tools/fg/models/ModelCatalogue.h"
#include "tools/fg/models/ModelOverrides.h"

#include <cstdint>
#include <string>
#include <string_view>

enum class MatchRule { Override, Registration, OperatorType, Type, Operator, Class, Default };
inline constexpr int kMatchRules = 7;

// "override", "registration", "operator+type", "type", "operator", "class", "default".
const char* MatchRuleName(MatchRule rule);

struct MatchInput {
    std::string_view callsign;
    std::int32_t address = -1; // -1: none
    double groundSpeed = 0;    // m/s
    double altitude = 0;       // metres
};

struct ModelChoice {
    std::string model;
    MatchRule rule = MatchRule::Default;
    std::string reason;
    // What the aircraft is, for how it moves: its type description's class where the database
    // has one, else the class a generic model was chosen by; unknown otherwise.
    AircraftClass kind = AircraftClass::Unknown;
};

class ModelMatcher {
public:
    // Any of the sources may be missing; all must outlive the matcher.
    ModelMatcher(const ModelCatalogue* catalogue, const AircraftDatabase* database,
                 const ModelOverrides* overrides, std::string defaultModel);

    ModelChoice Match(const MatchInput& input) const;

private:
    ModelChoice Choose(const MatchInput& input, const AircraftInfo* info) const;
    bool ByOperatorAndType(const std::string& airline, std::string_view type, std::uint64_t hash,
                           ModelChoice& choice) const;
    bool ByType(std::string_view type, std::uint64_t hash, ModelChoice& choice) const;
    bool ByClass(const MatchInput& input, const AircraftInfo* info, std::uint64_t hash,
                 ModelChoice& choice) const;
    std::string OperatorOf(std::string_view callsign, const AircraftInfo* info) const;

    const ModelCatalogue* catalogue;
    const AircraftDatabase* database;
    const ModelOverrides* overrides;
    std::string defaultModel;
};

// A hash of an aircraft's address (its callsign when it has none) that is the same on every
// run and platform.
std::uint64_t StableHash(std::int32_t address, std::string_view callsign);
