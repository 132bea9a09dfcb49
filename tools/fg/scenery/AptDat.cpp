#include "tools/fg/scenery/AptDat.h"

#include "text_functions/TextFunctions.h"
#include "tools/fg/models/GzipLines.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {
// The longest rows (a runway, an airport with a long name) are well under this.
constexpr std::size_t kMaxAptLine = 4096;
constexpr int kMaxFields = 27;

// The line's fields, split at runs of spaces and tabs; how many there are (at most `max`).
int SplitFields(std::string_view line, std::string_view* fields, int max) {
    int count = 0;
    std::size_t at = 0;
    while (count < max) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) {
            break;
        }
        std::size_t stop = line.find_first_of(" \t", at);
        if (stop == std::string_view::npos) {
            stop = line.size();
        }
        fields[count++] = line.substr(at, stop - at);
        at = stop;
    }
    return count;
}

bool Number(std::string_view text, double& value) {
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, value);
    return error == std::errc() && end == last && std::isfinite(value);
}

bool Coordinates(std::string_view latitudeText, std::string_view longitudeText, double& latitude,
                 double& longitude) {
    return Number(latitudeText, latitude) && Number(longitudeText, longitude) &&
           std::fabs(latitude) <= 90.0 && std::fabs(longitude) <= 180.0;
}

bool RunwayEndFrom(const std::string_view* fields, RunwayEnd& end) {
    double displaced = 0;
    // A name that holds a NUL byte would be cut short in the index, to nothing at worst.
    if (fields[0].empty() || fields[0].size() >= kRunwayNameSize ||
        fields[0].find('\0') != std::string_view::npos ||
        !Coordinates(fields[1], fields[2], end.latitude, end.longitude) ||
        !Number(fields[3], displaced) || displaced > kMaxRunwayMetres) {
        return false;
    }
    CopyBounded(end.name, std::string(fields[0]).c_str(), kRunwayNameSize);
    // FlightGear's file has a runway with a threshold displaced by a negative length: its end.
    end.displacedThreshold = static_cast<float>(std::max(displaced, 0.0));
    return true;
}

bool Blank(char c) {
    return c == ' ' || c == '\t';
}

// The kinds of row the index takes, told from their first bytes without reading a number: most
// of the file's rows (taxiway nodes, signs, lights: 110 to 130) also begin with a 1.
int RowKind(std::string_view line) {
    const auto at = [&line](std::size_t i) { return i < line.size() ? line[i] : '\n'; };
    if (at(0) != '1') {
        return -1;
    }
    if (Blank(at(1))) {
        return 1;
    }
    if ((at(1) == '6' || at(1) == '7') && Blank(at(2))) {
        return at(1) == '6' ? 16 : 17;
    }
    if (at(1) == '0' && at(2) >= '0' && at(2) <= '2' && Blank(at(3))) {
        return 100 + (at(2) - '0');
    }
    return -1;
}
} // namespace

void AptDatRows::Take(std::string_view line) {
    ++counts.lines;
    switch (RowKind(line)) {
    case 1:
        TakeAirport(line, AirportKind::Land);
        break;
    case 16:
        TakeAirport(line, AirportKind::Seaplane);
        break;
    case 17:
        TakeAirport(line, AirportKind::Heliport);
        break;
    case 100:
        TakeRunway(line);
        break;
    case 101:
        TakePlace(line, 4); // water runway: width, buoys, number, then the first end
        break;
    case 102:
        TakePlace(line, 2); // helipad: its designator, then where it is
        break;
    default:
        break;
    }
}

void AptDatRows::TakeAirport(std::string_view line, AirportKind kind) {
    std::string_view fields[6];
    double elevation = 0;
    inAirport = SplitFields(line, fields, 6) >= 5 && Number(fields[1], elevation) &&
                std::fabs(elevation) < 30000.0 && fields[4].size() < kAirportCodeSize;
    if (!inAirport) {
        ++counts.malformed;
        return;
    }
    if (index.AirportCount() >= kMaxAirports) {
        overflowed = true;
        inAirport = false;
        return;
    }
    index.AddAirport(std::string(fields[4]).c_str(), elevation, kind);
}

void AptDatRows::TakeRunway(std::string_view line) {
    if (!inAirport) {
        return;
    }
    std::string_view fields[kMaxFields];
    Runway runway{};
    double width = 0;
    if (SplitFields(line, fields, kMaxFields) < 26 || !Number(fields[1], width) || width < 0 ||
        width > kMaxRunwayMetres || !RunwayEndFrom(&fields[8], runway.ends[0]) ||
        !RunwayEndFrom(&fields[17], runway.ends[1])) {
        ++counts.malformed;
        return;
    }
    runway.width = static_cast<float>(width);
    if (index.RunwayCount() >= kMaxRunways) {
        overflowed = true;
        return;
    }
    index.AddRunway(runway);
}

void AptDatRows::TakePlace(std::string_view line, int latitudeField) {
    if (!inAirport) {
        return;
    }
    std::string_view fields[8];
    double latitude = 0;
    double longitude = 0;
    if (SplitFields(line, fields, 8) <= latitudeField + 1 ||
        !Coordinates(fields[latitudeField], fields[latitudeField + 1], latitude, longitude)) {
        ++counts.malformed;
        return;
    }
    index.AddPlace(latitude, longitude);
}

bool ReadAptDat(const std::string& path, AirportIndex& index, AptDatCounts& counts,
                std::string& error, ReadWatch& watch) {
    GzipLines lines(path, kMaxAptLine, FileKinds::RegularOnly, watch);
    if (!lines.IsOpen()) {
        error = "cannot open FlightGear's airport data " + path + ": " + lines.Why();
        return false;
    }
    AptDatRows rows(index, counts);
    std::string_view block;
    while (!rows.Overflowed() && lines.NextBlock(block)) {
        while (!block.empty()) {
            const std::size_t feed = block.find('\n');
            std::string_view line = block.substr(0, feed);
            block.remove_prefix(feed == std::string_view::npos ? block.size() : feed + 1);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            rows.Take(line);
        }
    }
    if (lines.Stopped()) {
        error = "stopped while reading FlightGear's airport data " + path;
        return false;
    }
    if (lines.Failed()) {
        error = "cannot read FlightGear's airport data " + path + ": " + lines.Why();
        return false;
    }
    if (rows.Overflowed()) {
        error = "FlightGear's airport data " + path + " holds more than " +
                std::to_string(kMaxAirports) + " airports or " + std::to_string(kMaxRunways) +
                " runways: no airport data of the world is so large";
        index = AirportIndex();
        return false;
    }
    index.Finish();
    return true;
}
