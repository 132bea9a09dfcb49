#include "tools/fg/models/ModelCatalogue.h"

#include "tools/fg/models/FleetXml.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace {
namespace fs = std::filesystem;

constexpr std::string_view kAircraftPrefix = "AI/Aircraft/";

const std::vector<std::string> kNone;

// The entries of a folder, sorted: directory order differs between file systems and runs.
std::vector<fs::path> SortedEntries(const fs::path& dir, bool folders) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        std::error_code kindError;
        const bool isFolder = it->is_directory(kindError);
        const bool isXml =
            !folders && it->is_regular_file(kindError) && it->path().extension() == ".xml";
        if (!kindError && (folders ? isFolder : isXml)) {
            entries.push_back(it->path());
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

void AddSorted(std::vector<std::string>& list, const std::string& value) {
    const auto at = std::lower_bound(list.begin(), list.end(), value);
    if (at == list.end() || *at != value) {
        list.insert(at, value);
    }
}
} // namespace

std::string RegistrationKey(std::string_view registration) {
    std::string key;
    for (const char c : registration) {
        if (c != '-' && c != ' ') {
            key.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
        }
    }
    return key;
}

std::string_view FolderOfModel(std::string_view model) {
    if (!model.starts_with(kAircraftPrefix)) {
        return {};
    }
    model.remove_prefix(kAircraftPrefix.size());
    const std::size_t slash = model.find('/');
    return slash == std::string_view::npos ? std::string_view{} : model.substr(0, slash);
}

bool ModelCatalogue::Build(const std::string& fgRoot) {
    *this = ModelCatalogue();
    const fs::path aircraft = fs::path(fgRoot) / "AI" / "Aircraft";
    std::error_code error;
    if (!fs::is_directory(aircraft, error)) {
        return false;
    }
    ReadLiveries(aircraft.string());
    ReadFleets((fs::path(fgRoot) / "AI" / "Traffic").string());
    Settle();
    return true;
}

void ModelCatalogue::ReadLiveries(const std::string& aircraftDir) {
    std::string text;
    for (const fs::path& folder : SortedEntries(aircraftDir, true)) {
        const std::string name = folder.filename().string();
        for (const fs::path& file : SortedEntries(folder, false)) {
            const std::string model =
                std::string(kAircraftPrefix) + name + "/" + file.filename().string();
            if (!ReadSmallFile(file.string(), text) || !IsLivery(text)) {
                ++counts.malformed;
            } else if (model.size() < kModelPathSize) {
                byFolder[name].push_back(model);
                ++counts.liveries;
            } else {
                ++counts.unusable;
            }
        }
    }
}

void ModelCatalogue::ReadFleets(const std::string& trafficDir) {
    for (const fs::path& letter : SortedEntries(trafficDir, true)) {
        for (const fs::path& file : SortedEntries(letter, false)) {
            ReadFleet(file.string());
        }
    }
}

void ModelCatalogue::ReadFleet(const std::string& path) {
    std::string text;
    std::vector<FleetAircraft> fleet;
    if (!ReadSmallFile(path, text) || !::ReadFleet(text, fleet)) {
        ++counts.malformed;
        return;
    }
    ++counts.fleets;
    for (const FleetAircraft& one : fleet) {
        const std::string model = "AI/" + one.model;
        const std::string_view folder = FolderOfModel(model);
        const std::vector<std::string>& known = ModelsOf(folder);
        if (one.airline.empty() || !std::binary_search(known.begin(), known.end(), model)) {
            ++counts.unusable;
            continue;
        }
        ++counts.airframes;
        Airline& airline = airlines[one.airline];
        AddSorted(airline.byFolder[std::string(folder)], model);
        ++airline.airframes[model];
        if (!one.registration.empty()) {
            byRegistration.emplace(RegistrationKey(one.registration), model);
        }
    }
}

void ModelCatalogue::Settle() {
    for (auto& [code, airline] : airlines) {
        int most = 0;
        for (const auto& [model, count] : airline.airframes) {
            most = std::max(most, count);
        }
        for (const auto& [model, count] : airline.airframes) {
            if (count == most) {
                airline.common.push_back(model);
            }
        }
    }
}

const std::vector<std::string>& ModelCatalogue::ModelsOf(std::string_view folder) const {
    const auto found = byFolder.find(folder);
    return found != byFolder.end() ? found->second : kNone;
}

std::string_view ModelCatalogue::ModelOfRegistration(std::string_view registration) const {
    const auto found = byRegistration.find(RegistrationKey(registration));
    return found != byRegistration.end() ? std::string_view(found->second) : std::string_view{};
}

const std::vector<std::string>& ModelCatalogue::AirlineModelsOf(std::string_view airline,
                                                                std::string_view folder) const {
    const auto found = airlines.find(airline);
    if (found == airlines.end()) {
        return kNone;
    }
    const auto models = found->second.byFolder.find(folder);
    return models != found->second.byFolder.end() ? models->second : kNone;
}

const std::vector<std::string>&
ModelCatalogue::AirlineCommonModels(std::string_view airline) const {
    const auto found = airlines.find(airline);
    return found != airlines.end() ? found->second.common : kNone;
}

bool ModelCatalogue::KnowsAirline(std::string_view airline) const {
    return airlines.find(airline) != airlines.end();
}
