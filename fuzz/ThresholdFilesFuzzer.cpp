// A scenery's threshold file of any text, applied to an index of a few airports as the bridge
// applies the files it finds. A text that is no threshold file, or one broken half way, changes
// nothing and counts nothing; a file taken changes only runway ends of its own airport, to places
// on the earth with finite displacements, and counts no more thresholds than it holds.
#include "aviation/Airports.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/FuzzInput.h"
#include "text_functions/TextFunctions.h"
#include "tools/fg/scenery/ThresholdFiles.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kAppliedBefore = 5;
const char* const kCodes[] = {"PHNL", "EGLL", "NONE", "PHNLX"};

Runway MakeRunway(const char* nameA, double latA, double lonA, const char* nameB, double latB,
                  double lonB) {
    Runway runway{};
    CopyBounded(runway.ends[0].name, nameA, kRunwayNameSize);
    runway.ends[0].latitude = latA;
    runway.ends[0].longitude = lonA;
    CopyBounded(runway.ends[1].name, nameB, kRunwayNameSize);
    runway.ends[1].latitude = latB;
    runway.ends[1].longitude = lonB;
    runway.width = 45;
    return runway;
}

// Built once: each input applies its file to a copy.
const AirportIndex& Prototype() {
    static const AirportIndex index = [] {
        AirportIndex built;
        built.AddAirport("PHNL", 13, AirportKind::Land);
        built.AddRunway(MakeRunway("08L", 21.325247, -157.943233, "26R", 21.325244, -157.907094));
        built.AddRunway(MakeRunway("08R", 21.306803, -157.945850, "26L", 21.306800, -157.910597));
        built.AddAirport("EGLL", 83, AirportKind::Land);
        built.AddRunway(MakeRunway("09L", 51.477500, -0.484900, "27R", 51.477700, -0.433300));
        built.AddAirport("NONE", 0, AirportKind::Heliport);
        built.Finish();
        return built;
    }();
    return index;
}

std::size_t Occurrences(const std::string& text, const char* word) {
    std::size_t count = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

bool SameEnd(const RunwayEnd& a, const RunwayEnd& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// What a file that was taken changed: only ends of the airport `code`, each to a place on the
// earth; the airports themselves stay as they were. How many ends changed.
int ChangedEnds(const AirportIndex& before, const AirportIndex& after, const char* code) {
    FUZZ_CHECK(before.AirportCount() == after.AirportCount() &&
               before.RunwayCount() == after.RunwayCount());
    int changed = 0;
    for (std::size_t a = 0; a < after.AirportCount(); ++a) {
        const Airport& was = before.Airports()[a];
        const Airport& is = after.Airports()[a];
        FUZZ_CHECK(std::memcmp(&was, &is, sizeof was) == 0);
        for (std::size_t r = 0; r < after.RunwaysOf(is).size(); ++r) {
            for (int e = 0; e < 2; ++e) {
                const RunwayEnd& end = after.RunwaysOf(is)[r].ends[e];
                if (SameEnd(before.RunwaysOf(was)[r].ends[e], end)) {
                    continue;
                }
                ++changed;
                FUZZ_CHECK(std::strncmp(is.code, code, kAirportCodeSize) == 0);
                FUZZ_CHECK(std::fabs(end.latitude) <= 90.0 && std::fabs(end.longitude) <= 180.0);
                FUZZ_CHECK(std::isfinite(end.displacedThreshold) && end.displacedThreshold >= 0);
            }
        }
    }
    return changed;
}

} // namespace

// Input: a byte that picks the airport the file is named after, then the file's text.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const char* code = kCodes[input.TakeByte() % std::size(kCodes)];
    const std::string text = input.TakeRest();
    AirportIndex index = Prototype();
    int applied = kAppliedBefore;
    const bool taken = ApplyThresholdText(text, code, index, applied);
    const int changed = ChangedEnds(Prototype(), index, code);
    if (!taken) {
        FUZZ_CHECK(applied == kAppliedBefore && changed == 0);
        return 0;
    }
    const auto thresholds = static_cast<int>(Occurrences(text, "<threshold>"));
    FUZZ_CHECK(applied >= kAppliedBefore && applied - kAppliedBefore <= thresholds);
    FUZZ_CHECK(changed <= applied - kAppliedBefore);
    return 0;
}
