#include "tools/fg/FgModelSources.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "tools/fg/models/FgRoot.h"

#include <chrono>

namespace {
double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

bool LoadCatalogue(const FgOptions& options, FgModelSources& sources,
                   std::vector<std::string>& notes, std::string& error, ReadWatch& watch) {
    const FgRootChoice root = ChooseFgRoot(options.fgRoot);
    const auto start = std::chrono::steady_clock::now();
    char line[512];
    const bool built = !root.path.empty() && sources.catalogue.Build(root.path, watch);
    if (sources.catalogue.Stopped()) {
        error = "stopped while reading FlightGear's AI models in " + root.path;
        return false;
    }
    if (!built || sources.catalogue.Empty()) {
        FormatBounded(line, sizeof line,
                      "no FlightGear AI models found (FlightGear data from %s%s%s): every "
                      "aircraft is drawn as %s",
                      root.source.c_str(), root.path.empty() ? "" : ", ", root.path.c_str(),
                      options.settings.model);
        notes.emplace_back(line);
        return true;
    }
    const CatalogueCounts& counts = sources.catalogue.Counts();
    FormatBounded(line, sizeof line,
                  "FlightGear data %s (from %s): %d liveries, %d fleets with %d airframes; %d "
                  "files malformed, %d models unusable, %d folders unreadable; read in %.0f ms",
                  root.path.c_str(), root.source.c_str(), counts.liveries, counts.fleets,
                  counts.airframes, counts.malformed, counts.unusable, counts.unreadableFolders,
                  MillisecondsSince(start));
    notes.emplace_back(line);
    return true;
}

bool LoadDatabase(const FgOptions& options, FgModelSources& sources,
                  std::vector<std::string>& notes, std::string& error, ReadWatch& watch) {
    const auto start = std::chrono::steady_clock::now();
    if (!sources.database.Load(options.aircraftDb, FileKinds::PipesToo, watch)) {
        error = sources.database.FullErrorText();
        return false;
    }
    char line[512];
    FormatBounded(line, sizeof line,
                  "aircraft database %s: %zu aircraft, %lld bad rows skipped; read in %.0f ms",
                  options.aircraftDb.c_str(), sources.database.Size(),
                  static_cast<long long>(sources.database.Counts().bad), MillisecondsSince(start));
    notes.emplace_back(line);
    return true;
}

bool LoadModelTable(const FgOptions& options, FgModelSources& sources,
                    std::vector<std::string>& notes, std::string& error, ReadWatch& watch) {
    if (!sources.overrides.Load(options.modelTable, watch)) {
        error = options.modelTable + ": " + sources.overrides.FullErrorText();
        return false;
    }
    notes.push_back("model table " + options.modelTable + ": " +
                    std::to_string(sources.overrides.Size()) + " lines");
    return true;
}

// CALLSIGN[/ADDRESS], the address in up to 6 hexadecimal digits.
bool ReadQuery(const std::string& query, std::string& callsign, std::int32_t& address) {
    const std::size_t slash = query.find('/');
    callsign = query.substr(0, slash);
    address = -1;
    if (slash == std::string::npos) {
        return !callsign.empty();
    }
    std::uint32_t value = 0;
    if (callsign.empty() || !ReadIcaoAddress(std::string_view(query).substr(slash + 1), value)) {
        return false;
    }
    address = static_cast<std::int32_t>(value);
    return true;
}
} // namespace

bool LoadModelSources(const FgOptions& options, FgModelSources& sources,
                      std::vector<std::string>& notes, std::string& error, ReadWatch& watch) {
    const bool loaded =
        LoadStep("FlightGear's AI models", error,
                 [&] { return LoadCatalogue(options, sources, notes, error, watch); }) &&
        (options.aircraftDb.empty() ||
         LoadStep("the aircraft database " + options.aircraftDb, error,
                  [&] { return LoadDatabase(options, sources, notes, error, watch); })) &&
        (options.modelTable.empty() ||
         LoadStep("the model table " + options.modelTable, error,
                  [&] { return LoadModelTable(options, sources, notes, error, watch); }));
    if (!loaded) {
        sources.database = AircraftDatabase(); // what a refused input took goes back
        return false;
    }
    sources.matcher = std::make_unique<ModelMatcher>(
        &sources.catalogue, options.aircraftDb.empty() ? nullptr : &sources.database,
        options.modelTable.empty() ? nullptr : &sources.overrides, options.settings.model);
    return true;
}

bool MatchQueryText(const FgModelSources& sources, const std::string& query, std::string& text) {
    std::string callsign;
    std::int32_t address = -1;
    if (!ReadQuery(query, callsign, address) || sources.matcher == nullptr) {
        text = "'" + query +
               "' is not CALLSIGN[/ADDRESS] with an address of 1 to 6 "
               "hexadecimal digits";
        return false;
    }
    const ModelChoice choice = sources.matcher->Match({callsign, address, 0, 0});
    // The model and the reason come from files: a control character in them is shown, not
    // obeyed by the terminal.
    text = MaskControls(choice.model) + "\nrule: " + MatchRuleName(choice.rule) +
           "\nwhy: " + MaskControls(choice.reason);
    return true;
}
