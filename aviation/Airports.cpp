#include "aviation/Airports.h"

#include "text_functions/TextFunctions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
constexpr double kMeanEarthRadius = 6371008.8; // metres
// The longest runways are about 5.5 km: an airport's reference point lies within half of that
// of each of its thresholds, with room to spare.
constexpr double kReferenceToThreshold = 4000.0;

double WrappedDegrees(double degrees) {
    return std::remainder(degrees, 360.0);
}

// Great-circle distance on the mean sphere: within half a percent of the ellipsoid's, which is
// all that choosing the nearest field and a search radius need.
double SphereDistance(double latitudeA, double longitudeA, double latitudeB, double longitudeB) {
    const double phiA = latitudeA * kRadians;
    const double phiB = latitudeB * kRadians;
    const double dPhi = phiB - phiA;
    const double dLambda = WrappedDegrees(longitudeB - longitudeA) * kRadians;
    const double h = std::sin(dPhi / 2) * std::sin(dPhi / 2) + std::cos(phiA) * std::cos(phiB) *
                                                                   std::sin(dLambda / 2) *
                                                                   std::sin(dLambda / 2);
    return 2 * kMeanEarthRadius * std::asin(std::sqrt(std::min(1.0, h)));
}

GeodeticPosition EndPosition(const RunwayEnd& end, double height) {
    return {end.latitude, end.longitude, height};
}

// The cache file's form: this header, the stamp's bytes, the three tables as they lie in
// memory, and a check sum of all before it. The layout numbers make another build's file fail.
struct SavedHeader {
    char magic[8];
    std::uint32_t airportSize;
    std::uint32_t runwaySize;
    std::uint32_t airportCount;
    std::uint32_t runwayCount;
    std::uint32_t stampSize;
};
constexpr char kMagic[8] = {'C', 'V', 'A', 'P', 'T', 'I', 'X', '1'};

std::uint64_t CheckSum(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 1469598103934665603ull; // FNV-1a
    for (const std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}

template <typename T> void Append(std::vector<std::uint8_t>& out, const T* data, std::size_t n) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
    out.insert(out.end(), bytes, bytes + n * sizeof(T));
}

template <typename T>
bool Take(std::span<const std::uint8_t>& in, std::vector<T>& out, std::size_t n) {
    if (in.size() / sizeof(T) < n) {
        return false;
    }
    out.resize(n);
    if (n > 0) { // an empty table has no memory to copy into
        std::memcpy(out.data(), in.data(), n * sizeof(T));
    }
    in = in.subspan(n * sizeof(T));
    return true;
}
} // namespace

void AirportIndex::AddAirport(const char* code, double elevationFeet, AirportKind kind) {
    Airport airport{};
    CopyBounded(airport.code, code, kAirportCodeSize);
    airport.elevation = static_cast<float>(elevationFeet * units::kMetresPerFoot);
    airport.kind = kind;
    airport.latitude = airport.longitude = std::nan("");
    airport.firstRunway = static_cast<std::int32_t>(runways.size());
    airports.push_back(airport);
    latitudeSum = longitudeSum = 0;
    places = 0;
}

void AirportIndex::AddPlace(double latitude, double longitude) {
    if (airports.empty()) {
        return;
    }
    if (places == 0) {
        longitudeOrigin = longitude;
    }
    latitudeSum += latitude;
    longitudeSum += WrappedDegrees(longitude - longitudeOrigin);
    ++places;
    Airport& airport = airports.back();
    airport.latitude = latitudeSum / places;
    airport.longitude = WrappedDegrees(longitudeOrigin + longitudeSum / places);
}

void AirportIndex::AddRunway(const Runway& runway) {
    if (airports.empty()) {
        return;
    }
    Runway added = runway;
    added.airport = static_cast<std::int32_t>(airports.size() - 1);
    runways.push_back(added);
    ++airports.back().runwayCount;
    for (const RunwayEnd& end : runway.ends) {
        AddPlace(end.latitude, end.longitude);
    }
}

void AirportIndex::Finish() {
    // An airport with nothing that places it cannot be found by where it is.
    std::vector<std::int32_t> placed;
    for (std::size_t i = 0; i < airports.size(); ++i) {
        if (std::isfinite(airports[i].latitude)) {
            placed.push_back(static_cast<std::int32_t>(i));
        }
    }
    std::sort(placed.begin(), placed.end(), [this](std::int32_t a, std::int32_t b) {
        return airports[a].latitude < airports[b].latitude;
    });
    byLatitude = std::move(placed);
}

bool AirportIndex::OverrideThreshold(const char* code, const char* name, double latitude,
                                     double longitude, double displacedThreshold) {
    for (Airport& airport : airports) {
        if (std::strncmp(airport.code, code, kAirportCodeSize) != 0) {
            continue;
        }
        for (int r = 0; r < airport.runwayCount; ++r) {
            for (RunwayEnd& end : runways[airport.firstRunway + r].ends) {
                if (std::strncmp(end.name, name, kRunwayNameSize) == 0) {
                    end.latitude = latitude;
                    end.longitude = longitude;
                    end.displacedThreshold = static_cast<float>(displacedThreshold);
                    return true;
                }
            }
        }
    }
    return false;
}

std::span<const Runway> AirportIndex::RunwaysOf(const Airport& airport) const {
    return std::span<const Runway>(runways).subspan(airport.firstRunway, airport.runwayCount);
}

const Airport* AirportIndex::Nearest(double latitude, double longitude, double metres,
                                     std::optional<AirportKind> kind) const {
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || byLatitude.empty()) {
        return nullptr;
    }
    const double band = metres / kMeanEarthRadius * kDegrees;
    const auto first = std::lower_bound(
        byLatitude.begin(), byLatitude.end(), latitude - band,
        [this](std::int32_t index, double bound) { return airports[index].latitude < bound; });
    const Airport* nearest = nullptr;
    double best = metres;
    for (auto it = first; it != byLatitude.end() && airports[*it].latitude <= latitude + band;
         ++it) {
        const Airport& airport = airports[*it];
        if (kind && airport.kind != *kind) {
            continue;
        }
        const double distance =
            SphereDistance(latitude, longitude, airport.latitude, airport.longitude);
        if (distance <= best) {
            best = distance;
            nearest = &airport;
        }
    }
    return nearest;
}

int AirportIndex::RunwaysNear(double latitude, double longitude, double metres,
                              std::span<const Runway*> out) const {
    if (!std::isfinite(latitude) || !std::isfinite(longitude)) {
        return 0;
    }
    const double reach = metres + kReferenceToThreshold;
    const double band = reach / kMeanEarthRadius * kDegrees;
    const auto first = std::lower_bound(
        byLatitude.begin(), byLatitude.end(), latitude - band,
        [this](std::int32_t index, double bound) { return airports[index].latitude < bound; });
    int found = 0;
    for (auto it = first; it != byLatitude.end() && airports[*it].latitude <= latitude + band;
         ++it) {
        const Airport& airport = airports[*it];
        if (airport.kind != AirportKind::Land ||
            SphereDistance(latitude, longitude, airport.latitude, airport.longitude) > reach) {
            continue;
        }
        for (const Runway& runway : RunwaysOf(airport)) {
            for (int end = 0; end < 2; ++end) {
                const GeodeticPosition threshold = ThresholdOf(runway, end, 0);
                if (SphereDistance(latitude, longitude, threshold.latitude, threshold.longitude) <=
                    metres) {
                    if (found < static_cast<int>(out.size())) {
                        out[found] = &runway;
                    }
                    ++found;
                    break;
                }
            }
        }
    }
    return found;
}

std::vector<std::uint8_t> AirportIndex::Save(const std::string& stamp) const {
    SavedHeader header{};
    std::memcpy(header.magic, kMagic, sizeof kMagic);
    header.airportSize = sizeof(Airport);
    header.runwaySize = sizeof(Runway);
    header.airportCount = static_cast<std::uint32_t>(airports.size());
    header.runwayCount = static_cast<std::uint32_t>(runways.size());
    header.stampSize = static_cast<std::uint32_t>(stamp.size());
    std::vector<std::uint8_t> bytes;
    Append(bytes, &header, 1);
    Append(bytes, stamp.data(), stamp.size());
    Append(bytes, airports.data(), airports.size());
    Append(bytes, runways.data(), runways.size());
    Append(bytes, byLatitude.data(), byLatitude.size());
    const std::uint64_t sum = CheckSum(bytes);
    Append(bytes, &sum, 1);
    return bytes;
}

bool AirportIndex::Restore(std::span<const std::uint8_t> bytes, const std::string& stamp) {
    *this = AirportIndex();
    SavedHeader header{};
    std::uint64_t sum = 0;
    if (bytes.size() < sizeof header + sizeof sum) {
        return false;
    }
    std::memcpy(&sum, bytes.data() + bytes.size() - sizeof sum, sizeof sum);
    std::span<const std::uint8_t> in = bytes.first(bytes.size() - sizeof sum);
    std::memcpy(&header, in.data(), sizeof header);
    if (CheckSum(in) != sum || std::memcmp(header.magic, kMagic, sizeof kMagic) != 0 ||
        header.airportSize != sizeof(Airport) || header.runwaySize != sizeof(Runway) ||
        header.stampSize != stamp.size()) {
        return false;
    }
    in = in.subspan(sizeof header);
    std::vector<char> savedStamp;
    AirportIndex restored;
    const bool whole = Take(in, savedStamp, header.stampSize) &&
                       std::equal(savedStamp.begin(), savedStamp.end(), stamp.begin()) &&
                       Take(in, restored.airports, header.airportCount) &&
                       Take(in, restored.runways, header.runwayCount) &&
                       in.size() % sizeof(std::int32_t) == 0 &&
                       Take(in, restored.byLatitude, in.size() / sizeof(std::int32_t));
    if (!whole || !restored.Consistent()) {
        return false;
    }
    *this = std::move(restored);
    return true;
}

bool AirportIndex::Consistent() const {
    const auto airportCount = static_cast<std::int64_t>(airports.size());
    const auto runwayCount = static_cast<std::int64_t>(runways.size());
    for (const Airport& airport : airports) {
        if (airport.firstRunway < 0 || airport.runwayCount < 0 ||
            std::int64_t{airport.firstRunway} + airport.runwayCount > runwayCount ||
            std::memchr(airport.code, '\0', kAirportCodeSize) == nullptr) {
            return false;
        }
    }
    for (const Runway& runway : runways) {
        if (runway.airport < 0 || runway.airport >= airportCount) {
            return false;
        }
    }
    return std::all_of(byLatitude.begin(), byLatitude.end(), [airportCount](std::int32_t index) {
        return index >= 0 && index < airportCount;
    });
}

double HeadingOf(const Runway& runway, int end) {
    const LocalOffset offset =
        OffsetBetween(EndPosition(runway.ends[end], 0), EndPosition(runway.ends[1 - end], 0));
    const double heading = std::atan2(offset.east, offset.north) * kDegrees;
    return heading < 0 ? heading + 360.0 : heading;
}

double LengthOf(const Runway& runway) {
    const LocalOffset offset =
        OffsetBetween(EndPosition(runway.ends[0], 0), EndPosition(runway.ends[1], 0));
    return std::hypot(offset.north, offset.east);
}

GeodeticPosition ThresholdOf(const Runway& runway, int end, double elevation) {
    const double heading = HeadingOf(runway, end) * kRadians;
    const double displaced = runway.ends[end].displacedThreshold;
    return Displaced(EndPosition(runway.ends[end], elevation),
                     {displaced * std::cos(heading), displaced * std::sin(heading), 0});
}

RunwayPlace PlaceOnRunway(const Runway& runway, int end, double latitude, double longitude) {
    const double heading = HeadingOf(runway, end) * kRadians;
    const LocalOffset offset =
        OffsetBetween(ThresholdOf(runway, end, 0), GeodeticPosition{latitude, longitude, 0});
    return {offset.north * std::cos(heading) + offset.east * std::sin(heading),
            -offset.north * std::sin(heading) + offset.east * std::cos(heading)};
}
