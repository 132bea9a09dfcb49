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

bool ModelCatalogue::Build(const std::string& fgRoot, ReadWatch& watch) {
    *this = ModelCatalogue();
    const fs::path aircraft = fs::path(fgRoot) / "AI" / "Aircraft";
    std::error_code error;
    if (!fs::is_directory(aircraft, error)) {
        return false;
    }
    ReadLiveries(aircraft.string(), watch);
    ReadFleets((fs::path(fgRoot) / "AI" / "Traffic").string(), watch);
    Settle();
    return !stopped;
}

// The folders, or the .xml files, of a folder, sorted: directory order differs between file
// systems and runs. A folder that is there but cannot be listed, or an entry whose kind cannot
// be told, is counted.
std::vector<std::string> ModelCatalogue::Entries(const std::string& dir, bool folders) {
    std::vector<std::string> entries;
    std::error_code error;
    fs::directory_iterator it(dir, error);
    for (fs::directory_iterator end; !error && it != end; it.increment(error)) {
        const bool isXml = it->path().extension() == ".xml";
        std::error_code kindError;
        const bool isFolder = it->is_directory(kindError);
        const bool isFile = !isFolder && !kindError && it->is_regular_file(kindError);
        if (kindError) {
            counts.unreadableFolders += folders ? 1 : 0;
            counts.malformed += !folders && isXml ? 1 : 0;
        } else if (folders ? isFolder : isFile && isXml) {
            entries.push_back(it->path().string());
        }
    }
    if (error && error != std::errc::no_such_file_or_directory) {
        ++counts.unreadableFolders;
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

bool ModelCatalogue::ReadModelFile(const std::string& path, std::string& text, ReadWatch& watch) {
    std::string why;
    const WholeFile read =
        ReadWholeFile(path, kMaxModelFileBytes, FileKinds::RegularOnly, watch, text, why);
    stopped = read == WholeFile::Stopped;
    return read == WholeFile::Read;
}

void ModelCatalogue::ReadLiveries(const std::string& aircraftDir, ReadWatch& watch) {
    std::string text;
    for (const std::string& folder : Entries(aircraftDir, true)) {
        const std::string name = fs::path(folder).filename().string();
        for (const std::string& file : Entries(folder, false)) {
            const std::string model =
                std::string(kAircraftPrefix) + name + "/" + fs::path(file).filename().string();
            const bool livery = ReadModelFile(file, text, watch) && IsLivery(text);
            if (stopped) {
                return;
            }
            if (!livery) {
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

void ModelCatalogue::ReadFleets(const std::string& trafficDir, ReadWatch& watch) {
    for (const std::string& letter : Entries(trafficDir, true)) {
        for (const std::string& file : Entries(letter, false)) {
            if (stopped) {
                return;
            }
            ReadFleet(file, watch);
        }
    }
}

void ModelCatalogue::ReadFleet(const std::string& path, ReadWatch& watch) {
    std::string text;
    std::vector<FleetAircraft> fleet;
    if (!ReadModelFile(path, text, watch) || !::ReadFleet(text, fleet)) {
        counts.malformed += stopped ? 0 : 1;
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
