#include "tools/fg/scenery/ThresholdFiles.h"

#include "tools/fg/models/FleetXml.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {
constexpr std::string_view kSuffix = ".threshold.xml";

struct Threshold {
    std::string name;
    double latitude;
    double longitude;
    double displaced;
};

bool ReadThreshold(std::string_view block, Threshold& threshold) {
    std::string latitude;
    std::string longitude;
    std::string displaced;
    threshold.displaced = 0;
    return ElementText(block, "rwy", threshold.name) && !threshold.name.empty() &&
           ElementText(block, "lat", latitude) && ElementText(block, "lon", longitude) &&
           ElementText(block, "displ-m", displaced) && WholeNumber(latitude, threshold.latitude) &&
           WholeNumber(longitude, threshold.longitude) && std::fabs(threshold.latitude) <= 90 &&
           std::fabs(threshold.longitude) <= 180 &&
           (displaced.empty() ||
            (WholeNumber(displaced, threshold.displaced) && threshold.displaced >= 0 &&
             threshold.displaced <= kMaxRunwayMetres));
}
} // namespace

bool ApplyThresholdText(std::string_view raw, const std::string& code, AirportIndex& index,
                        int& applied) {
    std::string text;
    if (!WithoutComments(raw, text) || text.find("<PropertyList") == std::string::npos) {
        return false;
    }
    // Read whole before anything is applied: a file broken half way changes nothing.
    std::vector<Threshold> thresholds;
    const std::string_view all = text;
    // A threshold inside another is no threshold file either; so each is read once, to its end,
    // and a file of many opened and few closed costs no more than its length.
    for (std::size_t at = all.find("<threshold>"); at != std::string_view::npos;) {
        const std::size_t end = all.find("</threshold>", at);
        const std::size_t next = all.find("<threshold>", at + 1);
        Threshold threshold;
        if (end == std::string_view::npos || next < end ||
            !ReadThreshold(all.substr(at, end - at), threshold)) {
            return false;
        }
        thresholds.push_back(threshold);
        at = next;
    }
    for (const Threshold& t : thresholds) {
        applied += index.OverrideThreshold(code.c_str(), t.name.c_str(), t.latitude, t.longitude,
                                           t.displaced)
                       ? 1
                       : 0;
    }
    return true;
}

ThresholdCounts ApplyThresholdFiles(const std::string& airportsFolder, AirportIndex& index,
                                    ReadWatch& watch) {
    ThresholdCounts counts;
    std::error_code error;
    namespace fs = std::filesystem;
    std::string text;
    std::string why;
    for (fs::recursive_directory_iterator it(airportsFolder, error), end;
         !error && it != end && !watch.StopRequested(); it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= kSuffix.size() || !name.ends_with(kSuffix)) {
            continue;
        }
        ++counts.files;
        const WholeFile read = ReadWholeFile(it->path().string(), kMaxModelFileBytes,
                                             FileKinds::RegularOnly, watch, text, why);
        if (read != WholeFile::Read ||
            !ApplyThresholdText(text, name.substr(0, name.size() - kSuffix.size()), index,
                                counts.thresholds)) {
            ++counts.malformed;
        }
    }
    return counts;
}
