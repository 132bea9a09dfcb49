#include "tools/fg/scenery/GroundNetFile.h"

#include "tools/fg/models/FleetXml.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {
namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char kPathListSeparator = ';';
#else
constexpr char kPathListSeparator = ':';
#endif

// The value of attribute `name` in the element's text `tag`; false when it has none.
bool Attribute(std::string_view tag, std::string_view name, std::string& value) {
    for (std::size_t at = tag.find(name); at != std::string_view::npos;
         at = tag.find(name, at + 1)) {
        const std::size_t equals = at + name.size();
        const bool starts = at > 0 && std::isspace(static_cast<unsigned char>(tag[at - 1])) != 0;
        if (!starts || equals + 1 >= tag.size() || tag[equals] != '=' ||
            (tag[equals + 1] != '"' && tag[equals + 1] != '\'')) {
            continue;
        }
        const std::size_t close = tag.find(tag[equals + 1], equals + 2);
        if (close == std::string_view::npos) {
            return false;
        }
        value.assign(tag.substr(equals + 2, close - equals - 2));
        return true;
    }
    return false;
}

bool Index(const std::string& text, std::int64_t& value) {
    double number = 0;
    if (!WholeNumber(text, number) || number != std::floor(number) || std::fabs(number) > 1e15) {
        return false;
    }
    value = static_cast<std::int64_t>(number);
    return true;
}

bool Place(std::string_view tag, double& latitude, double& longitude) {
    std::string lat;
    std::string lon;
    return Attribute(tag, "lat", lat) && Attribute(tag, "lon", lon) &&
           ReadGroundNetCoordinate(lat, true, latitude) &&
           ReadGroundNetCoordinate(lon, false, longitude);
}

bool ReadParking(std::string_view tag, GroundNetwork& network) {
    std::string index;
    std::string heading;
    std::string radius;
    std::int64_t number = 0;
    ParkingSpot parking{};
    if (!Attribute(tag, "index", index) || !Index(index, number) ||
        !Place(tag, parking.latitude, parking.longitude) || !Attribute(tag, "heading", heading) ||
        !WholeNumber(heading, parking.heading) || !Attribute(tag, "radius", radius) ||
        !WholeNumber(radius, parking.radius) || parking.radius < 0) {
        return false;
    }
    if (parking.heading < 0 || parking.heading >= 360) {
        parking.heading = std::fmod(std::fmod(parking.heading, 360.0) + 360.0, 360.0);
    }
    network.AddParking(number, parking);
    return true;
}

bool ReadNode(std::string_view tag, GroundNetwork& network) {
    std::string index;
    std::int64_t number = 0;
    double latitude = 0;
    double longitude = 0;
    if (!Attribute(tag, "index", index) || !Index(index, number) ||
        !Place(tag, latitude, longitude)) {
        return false;
    }
    network.AddNode(number, latitude, longitude);
    return true;
}

bool ReadArc(std::string_view tag, GroundNetwork& network) {
    std::string begin;
    std::string end;
    std::int64_t from = 0;
    std::int64_t to = 0;
    if (!Attribute(tag, "begin", begin) || !Attribute(tag, "end", end) || !Index(begin, from) ||
        !Index(end, to)) {
        return false;
    }
    network.AddArc(from, to);
    return true;
}

// Every element `<name ...>` of the text, read by `read`; false when one is not closed.
template <typename Read>
bool EachElement(std::string_view text, std::string_view name, int& malformed, Read read) {
    const std::string open = "<" + std::string(name);
    for (std::size_t at = text.find(open); at != std::string_view::npos;
         at = text.find(open, at + 1)) {
        const std::size_t after = at + open.size();
        if (after >= text.size() || std::isspace(static_cast<unsigned char>(text[after])) == 0) {
            continue; // another element whose name begins the same
        }
        const std::size_t close = text.find('>', after);
        if (close == std::string_view::npos) {
            return false;
        }
        malformed += read(text.substr(after, close - after)) ? 0 : 1;
    }
    return true;
}

bool IsAirportCode(const char* code) {
    std::size_t length = 0;
    for (; code[length] != '\0'; ++length) {
        if (std::isalnum(static_cast<unsigned char>(code[length])) == 0) {
            return false;
        }
    }
    return length >= 3;
}
} // namespace

bool ReadGroundNetCoordinate(std::string_view text, bool latitude, double& degrees) {
    const double limit = latitude ? 90.0 : 180.0;
    std::string value(text);
    double sign = 1;
    const char hemisphere = value.empty() ? '\0' : value[0];
    const bool marked = latitude ? (hemisphere == 'N' || hemisphere == 'S')
                                 : (hemisphere == 'E' || hemisphere == 'W');
    if (marked) {
        sign = hemisphere == 'S' || hemisphere == 'W' ? -1 : 1;
        const std::size_t space = value.find(' ', 1);
        double whole = 0;
        double minutes = 0;
        if (space == std::string::npos || !WholeNumber(value.substr(1, space - 1), whole) ||
            !WholeNumber(value.substr(space + 1), minutes) || whole < 0 ||
            whole != std::floor(whole) || minutes < 0 || minutes >= 60) {
            return false;
        }
        degrees = sign * (whole + minutes / 60);
    } else if (!WholeNumber(value, degrees)) {
        return false;
    }
    return std::fabs(degrees) <= limit;
}

bool ReadGroundNet(std::string_view raw, GroundNetwork& network, GroundNetCounts& counts) {
    std::string text;
    if (!WithoutComments(raw, text) || text.find("<groundnet") == std::string::npos) {
        return false;
    }
    GroundNetwork read;
    int malformed = 0;
    const bool whole =
        EachElement(text, "Parking", malformed,
                    [&read](std::string_view tag) { return ReadParking(tag, read); }) &&
        EachElement(text, "node", malformed,
                    [&read](std::string_view tag) { return ReadNode(tag, read); }) &&
        EachElement(text, "arc", malformed,
                    [&read](std::string_view tag) { return ReadArc(tag, read); });
    if (!whole) {
        return false;
    }
    counts.malformed += malformed;
    counts.dropped += read.Finish();
    network = std::move(read);
    return true;
}

std::vector<std::string> SceneryFolders(const std::string& fgRoot) {
    std::vector<std::string> folders;
    if (const char* list = std::getenv("FG_SCENERY"); list != nullptr) {
        const std::string_view all = list;
        std::size_t from = 0;
        while (from <= all.size()) {
            std::size_t to = all.find(kPathListSeparator, from);
            to = to == std::string_view::npos ? all.size() : to;
            if (to > from) {
                folders.emplace_back(all.substr(from, to - from));
            }
            from = to + 1;
        }
    }
    if (!fgRoot.empty()) {
        folders.push_back((fs::path(fgRoot) / "Scenery").string());
    }
    return folders;
}

GroundNetworks::GroundNetworks(std::vector<std::string> sceneryFolders)
    : folders(std::move(sceneryFolders)) {}

const GroundNetwork* GroundNetworks::Of(const char* code) {
    const auto known = networks.find(code);
    if (known != networks.end()) {
        return known->second.get();
    }
    std::unique_ptr<GroundNetwork>& kept = networks[code];
    if (!IsAirportCode(code)) {
        return nullptr;
    }
    const std::string name = std::string(code) + ".groundnet.xml";
    for (const std::string& folder : folders) {
        const fs::path path = fs::path(folder) / "Airports" / std::string(1, code[0]) /
                              std::string(1, code[1]) / std::string(1, code[2]) / name;
        std::error_code error;
        if (!fs::is_regular_file(path, error)) {
            continue;
        }
        std::string text;
        auto network = std::make_unique<GroundNetwork>();
        GroundNetCounts counts;
        if (ReadSmallFile(path.string(), text) && ReadGroundNet(text, *network, counts)) {
            ++read;
            kept = std::move(network);
        } else {
            ++unreadable;
        }
        break;
    }
    return kept.get();
}
