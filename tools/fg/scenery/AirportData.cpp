#include "tools/fg/scenery/AirportData.h"

#include "platform/FileReplace.h"
#include "text_functions/TextFunctions.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <system_error>

namespace {
namespace fs = std::filesystem;

// The whole world's index is about 4 MB; a larger file in its place is none of ours.
constexpr std::size_t kMaxCacheBytes = 64u << 20;

// What the index was made from: apt.dat's path, size and modification time. Another file moved
// to its name, or the file changed, makes another stamp.
std::string StampOf(const fs::path& aptDat) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(aptDat, error);
    const auto time = fs::last_write_time(aptDat, error).time_since_epoch().count();
    return aptDat.string() + "|" + std::to_string(size) + "|" + std::to_string(time);
}

// One cache file per apt.dat, named after its path, so that two FlightGear installations do
// not take turns rebuilding one file.
fs::path CacheFileOf(const std::string& cacheFolder, const fs::path& aptDat) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : aptDat.string()) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char name[40];
    FormatBounded(name, sizeof name, "airports-%016llx.idx", static_cast<unsigned long long>(hash));
    return fs::path(cacheFolder) / name;
}

bool Restore(const fs::path& cacheFile, const std::string& stamp, AirportIndex& index,
             ReadWatch& watch) {
    std::string bytes;
    std::string why;
    return ReadWholeFile(cacheFile.string(), kMaxCacheBytes, FileKinds::RegularOnly, watch, bytes,
                         why) == WholeFile::Read &&
           index.Restore({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()},
                         stamp);
}

// Written beside the cache file under a name of its own, then put in its place: a bridge
// starting meanwhile finds the old index or the new one, never half of one.
std::string Keep(const fs::path& cacheFile, const std::string& stamp, const AirportIndex& index) {
    std::error_code error;
    fs::create_directories(cacheFile.parent_path(), error);
    const fs::path temporary =
        cacheFile.string() + "." + std::to_string(std::random_device()()) + ".tmp";
    const std::vector<std::uint8_t> bytes = index.Save(stamp);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file.write(reinterpret_cast<const char*>(bytes.data()),
                        static_cast<std::streamsize>(bytes.size())) ||
            !file.flush()) {
            fs::remove(temporary, error);
            return "cannot write " + temporary.string();
        }
    }
    FileReplace replace;
    if (!replace.Replace(temporary.string().c_str(), cacheFile.string().c_str())) {
        fs::remove(temporary, error);
        return replace.FullErrorText();
    }
    return {};
}
} // namespace

bool LoadAirports(const std::string& fgRoot, const std::string& cacheFolder, AirportData& data,
                  std::string& error, ReadWatch& watch) {
    const fs::path aptDat = fs::path(fgRoot) / "Airports" / "apt.dat.gz";
    data.aptDat = aptDat.string();
    const std::string stamp = StampOf(aptDat);
    const fs::path cacheFile = cacheFolder.empty() ? fs::path() : CacheFileOf(cacheFolder, aptDat);
    data.fromCache = !cacheFolder.empty() && Restore(cacheFile, stamp, data.index, watch);
    if (!data.fromCache) {
        data.index = AirportIndex();
        if (!ReadAptDat(data.aptDat, data.index, data.counts, error, watch)) {
            return false;
        }
        if (!cacheFolder.empty()) {
            data.cacheNote = Keep(cacheFile, stamp, data.index);
        }
    }
    data.thresholds = ApplyThresholdFiles((fs::path(fgRoot) / "Scenery" / "Airports").string(),
                                          data.index, watch);
    if (watch.StopRequested()) {
        error = "stopped while reading the scenery's threshold files";
        return false;
    }
    return true;
}
