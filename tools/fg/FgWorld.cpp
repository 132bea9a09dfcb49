#include "tools/fg/FgWorld.h"

#include "text_functions/TextFunctions.h"
#include "tools/fg/models/FgRoot.h"
#include "tools/fg/scenery/CacheFolder.h"
#include "tools/fg/scenery/GeoidFile.h"

#include <chrono>

namespace {
double MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

bool LoadGeoid(const FgOptions& options, FgWorld& world, std::vector<std::string>& notes,
               std::string& error, ReadWatch& watch) {
    const GeoidChoice choice = ChooseGeoid(options.geoid);
    const FileKinds kinds = options.geoid.empty() ? FileKinds::RegularOnly : FileKinds::PipesToo;
    std::string reason;
    const bool loaded =
        !choice.path.empty() && LoadGeoidGrid(choice.path, kinds, world.geoid, reason, watch);
    if (watch.StopRequested()) {
        error = "stopped while reading the geoid grid " + choice.path;
        return false;
    }
    if (loaded) {
        notes.push_back("geoid grid " + choice.path + " (from " + choice.source +
                        "): heights are sent above mean sea level, where FlightGear's ground "
                        "stands");
        return true;
    }
    if (!options.geoid.empty()) {
        error = reason; // a grid the user named is one the user wants
        return false;
    }
    notes.push_back("no geoid grid (" + (choice.path.empty() ? choice.source : reason) +
                    "): heights are sent as recorded, above the ellipsoid, which puts each "
                    "aircraft tens of metres off FlightGear's ground (install proj-data or give "
                    "--geoid FILE)");
    return true;
}

bool LoadAirportData(const FgOptions& options, FgWorld& world, std::vector<std::string>& notes,
                     std::string& error, ReadWatch& watch) {
    const FgRootChoice root = ChooseFgRoot(options.fgRoot);
    const std::string cache = UserCacheFolder();
    const auto start = std::chrono::steady_clock::now();
    std::string why;
    const bool loaded =
        !root.path.empty() && LoadAirports(root.path, cache, world.airports, why, watch);
    if (watch.StopRequested()) {
        error = "stopped while reading FlightGear's airports in " + root.path;
        return false;
    }
    if (!loaded) {
        world.airports = AirportData();
        notes.push_back("no FlightGear airports (" + (root.path.empty() ? root.source : why) +
                        "): aircraft on the ground are not placed on it");
        return true;
    }
    world.airportsLoaded = true;
    const std::vector<std::string> scenery = SceneryFolders(root.path);
    world.networks = GroundNetworks(scenery);
    const AirportData& data = world.airports;
    char counts[128];
    FormatBounded(counts, sizeof counts, "%zu airports, %zu runways", data.index.AirportCount(),
                  data.index.RunwayCount());
    char how[256];
    if (data.fromCache) {
        FormatBounded(how, sizeof how, "from the index kept in the cache folder; %.0f ms",
                      MillisecondsSince(start));
    } else {
        FormatBounded(how, sizeof how,
                      "%lld rows malformed and skipped, %d thresholds from the scenery; read in "
                      "%.0f ms",
                      data.counts.malformed, data.thresholds.thresholds, MillisecondsSince(start));
    }
    notes.push_back("FlightGear airports " + data.aptDat + " (from " + root.source +
                    "): " + counts + ", " + how);
    std::string folders;
    for (const std::string& folder : scenery) {
        folders += (folders.empty() ? "" : ", ") + folder;
    }
    notes.push_back("ground networks looked for in " + folders +
                    ": where an airport has none, taxiing traffic keeps to its records");
    if (!data.cacheNote.empty()) {
        notes.push_back("the airports index cannot be kept in " + cache + " (" + data.cacheNote +
                        "): apt.dat is read again at every start");
    }
    return true;
}
} // namespace

bool LoadWorld(const FgOptions& options, FgWorld& world, std::vector<std::string>& notes,
               std::string& error, ReadWatch& watch) {
    const bool loaded = LoadStep("the geoid grid", error,
                                 [&] { return LoadGeoid(options, world, notes, error, watch); }) &&
                        LoadStep("FlightGear's airports", error, [&] {
                            return LoadAirportData(options, world, notes, error, watch);
                        });
    if (!loaded) {
        world = FgWorld(); // what a refused input took goes back
    }
    return loaded;
}
