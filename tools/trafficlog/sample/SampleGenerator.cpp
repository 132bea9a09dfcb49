#include "tools/trafficlog/sample/SampleGenerator.h"

#include "text_functions/TextFunctions.h"
#include "tools/trafficlog/datafile/TrafficFileWriter.h"
#include "tools/trafficlog/sample/SampleAirspace.h"
#include "traffic/Units.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <vector>

namespace {
constexpr double kMetresPerDegree = 111195.0;
// Long enough for the longest route to be under way when the recording starts.
constexpr std::int64_t kPrerollSeconds = 4 * 3600;
constexpr int kMaxRoutePoints = 8;
// Descent path: metres of height per metre of distance still to fly (about 3 degrees).
constexpr double kDescentGradient = 0.05;

// splitmix64: small, fast, and the same numbers on every platform.
class Random {
public:
    explicit Random(std::uint64_t seed) : state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
    double Between(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    std::uint32_t Below(std::uint32_t n) { return static_cast<std::uint32_t>(Next() % n); }

private:
    std::uint64_t state;
};

struct Performance {
    double initialSpeed; // m/s just after take-off
    double cruiseSpeed;  // m/s at and above kCruiseSpeedHeight
    double climbRate;    // m/s
    double maxDescentRate;
};

constexpr double kCruiseSpeedHeight = 6000.0;

Performance PerformanceOf(AircraftClass kind) {
    switch (kind) {
    case AircraftClass::Jet:
        return {80.0, 230.0, 12.0, 15.0};
    case AircraftClass::Turboprop:
        return {65.0, 140.0, 8.0, 9.0};
    case AircraftClass::Light:
        return {45.0, 55.0, 3.5, 4.0};
    }
    return {45.0, 55.0, 3.5, 4.0};
}

struct Flight {
    std::int64_t departureTime = 0;
    const SampleRoute* route = nullptr;
    const SamplePoint* points[kMaxRoutePoints] = {};
    double legLength[kMaxRoutePoints] = {};
    int pointCount = 0;
    double totalLength = 0;
    Performance performance{};
    double cruiseAltitude = 0;
    double geoOffset = 0; // geometric minus barometric altitude
    char callsign[12] = {};
    std::uint32_t address = 0;
    // State.
    double flown = 0;
    double altitude = 0;
    double verticalRate = 0;
    double speed = 0;
};

double LegLength(const SamplePoint& a, const SamplePoint& b) {
    const double meanLatitude = (a.latitude + b.latitude) * 0.5 * units::kPi / 180.0;
    const double north = (b.latitude - a.latitude) * kMetresPerDegree;
    const double east = (b.longitude - a.longitude) * kMetresPerDegree * std::cos(meanLatitude);
    return std::sqrt(north * north + east * east);
}

double LegTrack(const SamplePoint& a, const SamplePoint& b) {
    const double meanLatitude = (a.latitude + b.latitude) * 0.5 * units::kPi / 180.0;
    const double north = b.latitude - a.latitude;
    const double east = (b.longitude - a.longitude) * std::cos(meanLatitude);
    const double track = std::atan2(east, north) * 180.0 / units::kPi;
    return track < 0 ? track + 360.0 : track;
}

bool ParseRoutePoints(const SampleRoute& route, Flight& flight) {
    const char* cursor = route.points;
    while (*cursor != '\0' && flight.pointCount < kMaxRoutePoints) {
        const SamplePoint* point = FindSamplePoint(cursor);
        if (point == nullptr) {
            return false;
        }
        flight.points[flight.pointCount++] = point;
        while (*cursor != '\0' && *cursor != ' ') {
            ++cursor;
        }
        while (*cursor == ' ') {
            ++cursor;
        }
    }
    for (int i = 0; i + 1 < flight.pointCount; ++i) {
        flight.legLength[i] = LegLength(*flight.points[i], *flight.points[i + 1]);
        flight.totalLength += flight.legLength[i];
    }
    return flight.pointCount >= 2;
}

const Operator& PickOperator(const SampleRoute& route, Random& random) {
    const char* names[8] = {};
    int count = 0;
    for (const char* cursor = route.operators; *cursor != '\0' && count < 8;) {
        names[count++] = cursor;
        while (*cursor != '\0' && *cursor != ' ') {
            ++cursor;
        }
        while (*cursor == ' ') {
            ++cursor;
        }
    }
    const Operator* op = FindSampleOperator(names[random.Below(static_cast<std::uint32_t>(count))]);
    return op != nullptr ? *op : SampleOperators()[0];
}

char Letter(Random& random) {
    return static_cast<char>('A' + random.Below(26));
}

void MakeCallsign(const Operator& op, Random& random, char* callsign, int size) {
    if (op.registrationCallsign) {
        // G-ABCD flies as "GABCD"; French light aircraft are F-Gxxx or F-Hxxx.
        const char second =
            op.callsignPrefix[0] == 'F' ? (random.Below(2) == 0 ? 'G' : 'H') : Letter(random);
        FormatBounded(callsign, size, "%s%c%c%c%c", op.callsignPrefix, second, Letter(random),
                      Letter(random), Letter(random));
        return;
    }
    const unsigned number = 1 + random.Below(random.Below(3) == 0 ? 99 : 9899);
    if (random.Below(3) == 0) {
        FormatBounded(callsign, size, "%s%u%c%c", op.callsignPrefix, number % 100, Letter(random),
                      Letter(random));
    } else {
        FormatBounded(callsign, size, "%s%u", op.callsignPrefix, number);
    }
}

const SampleRoute& PickRoute(Random& random) {
    int total = 0;
    for (const SampleRoute& route : SampleRoutes()) {
        total += route.weight;
    }
    int pick = static_cast<int>(random.Below(static_cast<std::uint32_t>(total)));
    for (const SampleRoute& route : SampleRoutes()) {
        if (pick < route.weight) {
            return route;
        }
        pick -= route.weight;
    }
    return SampleRoutes()[0];
}

Flight MakeFlight(std::int64_t departureTime, Random& random) {
    Flight flight;
    flight.departureTime = departureTime;
    flight.route = &PickRoute(random);
    ParseRoutePoints(*flight.route, flight);
    flight.performance = PerformanceOf(flight.route->kind);
    flight.performance.cruiseSpeed *= random.Between(0.93, 1.07);
    // Cruise levels spread over a few levels around the route's typical one.
    const double levelStep = flight.route->kind == AircraftClass::Light ? 150.0 : 305.0;
    flight.cruiseAltitude =
        flight.route->cruiseAltitude + levelStep * (static_cast<int>(random.Below(5)) - 2);
    flight.geoOffset = random.Between(20.0, 90.0);
    const Operator& op = PickOperator(*flight.route, random);
    MakeCallsign(op, random, flight.callsign, sizeof flight.callsign);
    flight.address = op.addressBase + random.Below(op.addressSpan);
    flight.altitude = flight.points[0]->elevation;
    flight.speed = flight.performance.initialSpeed;
    return flight;
}

double TargetSpeed(const Flight& flight) {
    const double height = flight.altitude - flight.points[flight.pointCount - 1]->elevation;
    const double share = std::clamp(height / kCruiseSpeedHeight, 0.0, 1.0);
    const Performance& p = flight.performance;
    return p.initialSpeed + (p.cruiseSpeed - p.initialSpeed) * share;
}

// Climbs to the cruise altitude, then follows the descent path to the destination.
void Advance(Flight& flight, double seconds) {
    const double remaining = flight.totalLength - flight.flown;
    const double arrivalElevation = flight.points[flight.pointCount - 1]->elevation;
    const double target =
        std::min(flight.cruiseAltitude, arrivalElevation + remaining * kDescentGradient);
    const double climbRate = flight.altitude > 6000.0 ? flight.performance.climbRate * 0.6
                                                      : flight.performance.climbRate;
    flight.verticalRate = std::clamp((target - flight.altitude) / seconds,
                                     -flight.performance.maxDescentRate, climbRate);
    flight.altitude += flight.verticalRate * seconds;
    flight.speed = TargetSpeed(flight);
    flight.flown += flight.speed * seconds;
}

bool Landed(const Flight& flight) {
    return flight.flown >= flight.totalLength;
}

struct Fix {
    double latitude;
    double longitude;
    double track;
};

Fix PositionOf(const Flight& flight) {
    double along = flight.flown;
    int leg = 0;
    while (leg + 2 < flight.pointCount && along > flight.legLength[leg]) {
        along -= flight.legLength[leg];
        ++leg;
    }
    const SamplePoint& a = *flight.points[leg];
    const SamplePoint& b = *flight.points[leg + 1];
    const double share =
        flight.legLength[leg] > 0 ? std::min(along / flight.legLength[leg], 1.0) : 1.0;
    return {a.latitude + (b.latitude - a.latitude) * share,
            a.longitude + (b.longitude - a.longitude) * share, LegTrack(a, b)};
}

bool InSampleArea(const Fix& fix) {
    return fix.latitude >= kSampleSouth && fix.latitude <= kSampleNorth &&
           fix.longitude >= kSampleWest && fix.longitude <= kSampleEast;
}

AircraftLineResult WriteFlight(TrafficFileWriter& writer, const Flight& flight, const Fix& fix,
                               std::int64_t time) {
    char address[12], timeText[24], latitude[24], longitude[24], baro[24], geo[24], track[24],
        speed[24], vertical[24];
    FormatBounded(address, sizeof address, "%06x", flight.address & 0xFFFFFFu);
    FormatBounded(timeText, sizeof timeText, "%lld", static_cast<long long>(time));
    FormatBounded(latitude, sizeof latitude, "%.5f", fix.latitude);
    FormatBounded(longitude, sizeof longitude, "%.5f", fix.longitude);
    FormatBounded(baro, sizeof baro, "%.2f", flight.altitude);
    FormatBounded(geo, sizeof geo, "%.2f", flight.altitude + flight.geoOffset);
    FormatBounded(track, sizeof track, "%.2f", fix.track);
    FormatBounded(speed, sizeof speed, "%.2f", flight.speed);
    FormatBounded(vertical, sizeof vertical, "%.2f", flight.verticalRate);
    const char* fields[kAircraftLineFields] = {
        flight.callsign, address, timeText, latitude, longitude, baro, geo, track, speed, vertical};
    return writer.WriteAircraft(fields);
}

std::vector<Flight> ScheduleFlights(const SampleOptions& options, Random& random) {
    const std::int64_t first = options.startTime - kPrerollSeconds;
    const double span = static_cast<double>(options.durationSeconds + kPrerollSeconds);
    const auto count =
        static_cast<std::size_t>(std::max(0.0, options.flightsPerHour) * span / 3600.0);
    std::vector<std::int64_t> departures(count);
    for (std::int64_t& departure : departures) {
        departure = first + static_cast<std::int64_t>(random.Unit() * span);
    }
    std::sort(departures.begin(), departures.end());
    std::vector<Flight> flights;
    flights.reserve(count);
    for (std::int64_t departure : departures) {
        flights.push_back(MakeFlight(departure, random));
    }
    return flights;
}

void MakeHeader(const SampleOptions& options, char* header, int size) {
    const std::time_t start = static_cast<std::time_t>(options.startTime);
    char when[32] = "?";
    if (const std::tm* utc = std::gmtime(&start)) {
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", utc);
    }
    FormatBounded(header, size,
                  "Corvane sample traffic, southern England and northern France, %s UTC, %d s, "
                  "%.0f flights/h, seed %llu",
                  when, options.durationSeconds, options.flightsPerHour,
                  static_cast<unsigned long long>(options.seed));
}
} // namespace

bool SampleGenerator::Generate(const SampleOptions& options, const char* path) {
    entries = 0;
    aircraftLines = 0;
    Random random(options.seed);
    std::vector<Flight> flights = ScheduleFlights(options, random);
    char header[200];
    MakeHeader(options, header, sizeof header);
    TrafficFileWriter writer;
    if (!writer.Open(path, header)) {
        SetErrorText(writer.GetErrorText());
        return false;
    }
    const std::int64_t end = options.startTime + options.durationSeconds;
    std::size_t nextDeparture = 0;
    std::vector<Flight> airborne;
    for (std::int64_t time = options.startTime - kPrerollSeconds; time < end;
         time += kSampleInterval) {
        while (nextDeparture < flights.size() && flights[nextDeparture].departureTime <= time) {
            airborne.push_back(flights[nextDeparture++]);
        }
        for (Flight& flight : airborne) {
            Advance(flight, kSampleInterval);
        }
        std::erase_if(airborne, Landed);
        if (time < options.startTime) {
            continue;
        }
        if (!writer.BeginEntry()) {
            SetErrorText(writer.GetErrorText());
            return false;
        }
        for (const Flight& flight : airborne) {
            const Fix fix = PositionOf(flight);
            if (!InSampleArea(fix)) {
                continue;
            }
            const AircraftLineResult result = WriteFlight(writer, flight, fix, time);
            if (result == AircraftLineResult::WriteFailed) {
                SetErrorText(writer.GetErrorText());
                return false;
            }
            // A density beyond what one entry may hold keeps the first aircraft of the entry.
            aircraftLines += result == AircraftLineResult::Written ? 1 : 0;
        }
        ++entries;
    }
    if (!writer.Finish()) {
        SetErrorText(writer.GetErrorText());
        return false;
    }
    return true;
}
