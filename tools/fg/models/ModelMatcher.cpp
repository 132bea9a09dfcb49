#include "tools/fg/models/ModelMatcher.h"

#include "tools/fg/models/AircraftClass.h"
#include "tools/fg/models/TypeCodes.h"

#include <cctype>
#include <utility>

namespace {
const std::string& Pick(const std::vector<std::string>& candidates, std::uint64_t hash) {
    return candidates[hash % candidates.size()];
}

bool Take(const std::vector<std::string>& candidates, std::uint64_t hash, MatchRule rule,
          std::string reason, ModelChoice& choice) {
    if (candidates.empty()) {
        return false;
    }
    choice = {Pick(candidates, hash), rule, std::move(reason)};
    return true;
}

// An airline flight's callsign: three letters of the airline, then the flight's number.
bool LooksLikeFlight(std::string_view callsign) {
    return callsign.size() >= 4 && std::isalpha(static_cast<unsigned char>(callsign[0])) &&
           std::isalpha(static_cast<unsigned char>(callsign[1])) &&
           std::isalpha(static_cast<unsigned char>(callsign[2])) &&
           std::isdigit(static_cast<unsigned char>(callsign[3]));
}
} // namespace

const char* MatchRuleName(MatchRule rule) {
    constexpr const char* kNames[kMatchRules] = {
        "override", "registration", "operator+type", "type", "operator", "class", "default"};
    return kNames[static_cast<int>(rule)];
}

std::uint64_t StableHash(std::int32_t address, std::string_view callsign) {
    std::uint64_t x = 0x9E3779B97F4A7C15ull;
    if (address >= 0) {
        x += static_cast<std::uint64_t>(address);
    } else {
        for (const char c : callsign) {
            x = (x ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
        }
    }
    // splitmix64's finaliser: neighbouring addresses spread over all candidates.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

ModelMatcher::ModelMatcher(const ModelCatalogue* catalogue, const AircraftDatabase* database,
                           const ModelOverrides* overrides, std::string defaultModel)
    : catalogue(catalogue), database(database), overrides(overrides),
      defaultModel(std::move(defaultModel)) {}

std::string ModelMatcher::OperatorOf(std::string_view callsign, const AircraftInfo* info) const {
    if (info != nullptr && info->operatorCode[0] != '\0') {
        return info->operatorCode;
    }
    if (LooksLikeFlight(callsign)) {
        std::string code(callsign.substr(0, 3));
        for (char& c : code) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        if (catalogue->KnowsAirline(code)) {
            return code;
        }
    }
    return {};
}

bool ModelMatcher::ByOperatorAndType(const std::string& airline, std::string_view type,
                                     std::uint64_t hash, ModelChoice& choice) const {
    for (const std::string_view folder : FoldersOfType(type)) {
        if (Take(catalogue->AirlineModelsOf(airline, folder), hash, MatchRule::OperatorType,
                 airline + " flies " + std::string(type) + " as " + std::string(folder), choice)) {
            return true;
        }
    }
    return false;
}

bool ModelMatcher::ByType(std::string_view type, std::uint64_t hash, ModelChoice& choice) const {
    for (const std::string_view folder : FoldersOfType(type)) {
        if (Take(catalogue->ModelsOf(folder), hash, MatchRule::Type,
                 "type " + std::string(type) + " as " + std::string(folder), choice)) {
            return true;
        }
    }
    return false;
}

bool ModelMatcher::ByClass(const MatchInput& input, const AircraftInfo* info, std::uint64_t hash,
                           ModelChoice& choice) const {
    const AircraftClass kind =
        info != nullptr ? ClassOf(info->description, info->typeCode) : AircraftClass::Unknown;
    const bool fromDatabase = kind != AircraftClass::Unknown;
    const AircraftClass taken =
        fromDatabase ? kind : ClassOfFlight(input.groundSpeed, input.altitude);
    const std::string reason =
        std::string(AircraftClassName(taken)) +
        (fromDatabase ? " by its type description " : " by its speed and height");
    for (const char* folder : GenericFolders(taken)) {
        if (Take(catalogue->ModelsOf(folder), hash, MatchRule::Class,
                 reason + ", drawn as " + folder, choice)) {
            choice.kind = taken;
            return true;
        }
    }
    return false;
}

ModelChoice ModelMatcher::Match(const MatchInput& input) const {
    const AircraftInfo* info = database != nullptr && input.address >= 0
                                   ? database->Find(static_cast<std::uint32_t>(input.address))
                                   : nullptr;
    ModelChoice choice = Choose(input, info);
    if (choice.kind == AircraftClass::Unknown && info != nullptr) {
        choice.kind = ClassOf(info->description, info->typeCode);
    }
    return choice;
}

ModelChoice ModelMatcher::Choose(const MatchInput& input, const AircraftInfo* info) const {
    const std::uint64_t hash = StableHash(input.address, input.callsign);
    if (overrides != nullptr) {
        if (const std::string_view model = overrides->Find(input.callsign, input.address);
            !model.empty()) {
            return {std::string(model), MatchRule::Override, "named in the model table"};
        }
    }
    ModelChoice choice;
    if (catalogue == nullptr || catalogue->Empty()) {
        return {defaultModel, MatchRule::Default, "no FlightGear AI models; the default model"};
    }
    if (info != nullptr && info->registration[0] != '\0') {
        if (const std::string_view model = catalogue->ModelOfRegistration(info->registration);
            !model.empty()) {
            return {std::string(model), MatchRule::Registration,
                    std::string("airframe ") + info->registration + " of a fleet"};
        }
    }
    const std::string airline = OperatorOf(input.callsign, info);
    const std::string_view type = info != nullptr ? info->typeCode : "";
    const bool matched =
        (!airline.empty() && !type.empty() && ByOperatorAndType(airline, type, hash, choice)) ||
        (!type.empty() && ByType(type, hash, choice)) ||
        (!airline.empty() && Take(catalogue->AirlineCommonModels(airline), hash,
                                  MatchRule::Operator, airline + "'s most common model", choice)) ||
        ByClass(input, info, hash, choice);
    return matched ? choice
                   : ModelChoice{defaultModel, MatchRule::Default,
                                 "nothing known fits; the default model"};
}
