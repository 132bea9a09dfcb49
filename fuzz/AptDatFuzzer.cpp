// Rows of FlightGear's airport data, hostile or not, taken one line at a time as the bridge reads
// the file. Every line is counted; an airport row adds its airport or counts as malformed, a
// runway row under an airport taken adds its runway or counts as malformed, and no other row adds
// anything. What the index holds stays on the earth with terminated names and finite measures;
// each airport placed is found where it is; and the index saved comes back as it was.
#include "aviation/Airports.h"
#include "fuzz/FuzzCheck.h"
#include "tools/fg/scenery/AptDat.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum class Row { Airport, Runway, Place, Other };

// The kind of a row by its first field, which a blank must end.
Row KindOf(std::string_view line) {
    const std::size_t end = line.find_first_of(" \t");
    if (end == std::string_view::npos) {
        return Row::Other;
    }
    const std::string_view code = line.substr(0, end);
    if (code == "1" || code == "16" || code == "17") {
        return Row::Airport;
    }
    if (code == "100") {
        return Row::Runway;
    }
    return code == "101" || code == "102" ? Row::Place : Row::Other;
}

struct Sizes {
    std::size_t airports;
    std::size_t runways;
    long long malformed;
    long long lines;
};

Sizes SizesOf(const AirportIndex& index, const AptDatCounts& counts) {
    return {index.AirportCount(), index.RunwayCount(), counts.malformed, counts.lines};
}

bool IsName(const char* name, std::size_t size) {
    return std::memchr(name, '\0', size) != nullptr;
}

bool IsOnEarth(double latitude, double longitude) {
    return std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0;
}

void CheckRunway(const Runway& runway) {
    FUZZ_CHECK(std::isfinite(runway.width) && runway.width >= 0);
    for (const RunwayEnd& end : runway.ends) {
        FUZZ_CHECK(IsName(end.name, kRunwayNameSize) && end.name[0] != '\0');
        FUZZ_CHECK(IsOnEarth(end.latitude, end.longitude));
        FUZZ_CHECK(std::isfinite(end.displacedThreshold) && end.displacedThreshold >= 0);
    }
}

// One line taken: what it may have added, by its kind. `open` is whether the last airport row
// was taken, as it stands after the line.
void CheckLine(std::string_view line, const Sizes& before, const Sizes& after, bool& open) {
    FUZZ_CHECK(after.lines == before.lines + 1);
    const long long airports = static_cast<long long>(after.airports - before.airports);
    const long long runways = static_cast<long long>(after.runways - before.runways);
    const long long malformed = after.malformed - before.malformed;
    switch (KindOf(line)) {
    case Row::Airport:
        FUZZ_CHECK(airports + malformed == 1 && runways == 0);
        open = airports == 1;
        break;
    case Row::Runway:
        FUZZ_CHECK(airports == 0 && runways + malformed == (open ? 1 : 0));
        break;
    case Row::Place:
        FUZZ_CHECK(airports == 0 && runways == 0 && malformed <= (open ? 1 : 0));
        break;
    case Row::Other:
        FUZZ_CHECK(airports == 0 && runways == 0 && malformed == 0);
        break;
    }
}

void CheckIndex(const AirportIndex& index) {
    std::size_t runwaysOfAirports = 0;
    for (const Airport& airport : index.Airports()) {
        FUZZ_CHECK(IsName(airport.code, kAirportCodeSize));
        FUZZ_CHECK(std::isfinite(airport.elevation) && std::fabs(airport.elevation) < 30000.0);
        runwaysOfAirports += index.RunwaysOf(airport).size();
        for (const Runway& runway : index.RunwaysOf(airport)) {
            FUZZ_CHECK(&index.AirportOf(runway) == &airport);
            CheckRunway(runway);
        }
        if (std::isnan(airport.latitude)) {
            FUZZ_CHECK(std::isnan(airport.longitude));
            continue;
        }
        FUZZ_CHECK(IsOnEarth(airport.latitude, airport.longitude));
        FUZZ_CHECK(index.Nearest(airport.latitude, airport.longitude, 1.0) != nullptr);
        // The runways found near it are the index's own.
        std::array<const Runway*, 4> near{};
        const int found = index.RunwaysNear(airport.latitude, airport.longitude, 2000.0, near);
        FUZZ_CHECK(found >= 0);
        const Runway* first = index.RunwaysOf(index.Airports().front()).data();
        for (int i = 0; i < found && i < static_cast<int>(near.size()); ++i) {
            FUZZ_CHECK(near[i] >= first && near[i] < first + index.RunwayCount());
        }
    }
    FUZZ_CHECK(runwaysOfAirports == index.RunwayCount());
}

void CheckSaved(const AirportIndex& index) {
    const std::vector<std::uint8_t> saved = index.Save("apt.dat 1");
    AirportIndex restored;
    FUZZ_CHECK(restored.Restore(saved, "apt.dat 1"));
    FUZZ_CHECK(restored.Save("apt.dat 1") == saved);
    FUZZ_CHECK(!restored.Restore(saved, "apt.dat 2") && restored.AirportCount() == 0);
}

} // namespace

// Input: the file's text; lines end at a line feed, a carriage return before it dropped.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    AirportIndex index;
    AptDatCounts counts;
    AptDatRows rows(index, counts);
    bool open = false;
    while (!text.empty()) {
        const std::size_t feed = text.find('\n');
        std::string_view line = text.substr(0, feed);
        text.remove_prefix(feed == std::string_view::npos ? text.size() : feed + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        const Sizes before = SizesOf(index, counts);
        rows.Take(line);
        CheckLine(line, before, SizesOf(index, counts), open);
    }
    index.Finish();
    CheckIndex(index);
    CheckSaved(index);
    return 0;
}
