// Cost of the bridge's traffic-alert logic: one assessment of one intruder, over encounters drawn
// as the logic meets them (own-ship 500 to 45000 ft, any direction up to 300 m/s, vertical rates
// up to 40 m/s, intruders within 8 NM and 3000 ft), and one whole bridge cycle with 49 aircraft:
// the tick that sends them to FlightGear and raises the alert request, the alert part of it
// alone, with the aircraft as drawn and with six of them threats at once, and the tick with 49
// aircraft at an airport.

#include "aviation/TcasSystem.h"
#include "aviation/tests/AirportScript.h"
#include "aviation/tests/TcasScript.h"
#include "tools/fg/FgBridge.h"
#include "tools/fg/TcasRequest.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kEncounters = 4096;
constexpr int kCycleAircraft = 49;
constexpr GeodeticPosition kOrigin{50.45, 0.01, 0};

struct Encounter {
    TcasAircraft own;
    TcasAircraft intruder;
};

std::vector<Encounter> MakeEncounters() {
    EncounterDraw draw(20);
    std::vector<Encounter> encounters;
    for (int i = 0; i < kEncounters; ++i) {
        const GeodeticPosition at{kOrigin.latitude, kOrigin.longitude,
                                  draw.Between(500, 45000) * kFt};
        const TcasAircraft own = draw.Moving(at);
        encounters.push_back({own, draw.Moving(draw.Near(at))});
    }
    return encounters;
}

void BM_TcasAssessIntruder(benchmark::State& state) {
    const std::vector<Encounter> encounters = MakeEncounters();
    int advisories = 0;
    for (auto _ : state) {
        advisories = 0;
        for (const Encounter& e : encounters) {
            const TcasThreat threat = AssessIntruder(e.own, e.intruder);
            benchmark::DoNotOptimize(threat);
            advisories += threat.level != TcasLevel::None ? 1 : 0;
        }
    }
    // Shown as seconds per assessment ("40n" is 40 ns).
    state.counters["time_per_intruder"] = benchmark::Counter(
        kEncounters, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["advisory_share"] = static_cast<double>(advisories) / kEncounters;
}
BENCHMARK(BM_TcasAssessIntruder)->Unit(benchmark::kMicrosecond);

// The own-ship at 12000 ft heading east at 120 m/s, as FlightGear sends it.
constexpr GeodeticPosition kOwnAt{kOrigin.latitude, kOrigin.longitude, 12000 * kFt};

std::vector<std::uint8_t> OwnShipMessage(double time) {
    MpPosition m{};
    std::strcpy(m.callsign, "OWNSHIP");
    std::strcpy(m.model, "Aircraft/ufo/Models/ufo.xml");
    m.time = time;
    m.lag = 0.1;
    m.position = ToEarthFixed(kOwnAt);
    m.attitude = AttitudeVector(kOwnAt, {90, 0, 0});
    m.linearVelocity = {120, 0, 0};
    std::vector<std::uint8_t> bytes(kMpPositionSize);
    EncodePosition(m, bytes.data(), bytes.size());
    return bytes;
}

const TcasAircraft kOwnShip{kOwnAt, 0, 120, 0};

AircraftRecord RecordAt(int i, const GeodeticPosition& at, double track, double speed,
                        double rate) {
    AircraftRecord r{};
    r.callsign[0] = static_cast<char>('A' + i % 26);
    r.callsign[1] = static_cast<char>('A' + i / 26);
    r.icaoAddress = 0x4CA000 + i;
    r.latitude = at.latitude;
    r.longitude = at.longitude;
    r.geoAltitude = at.height;
    r.baroAltitude = at.height;
    r.track = track;
    r.groundSpeed = speed;
    r.verticalRate = rate;
    r.positionTime = 1000;
    return r;
}

// 49 aircraft drawn around the own-ship; with `threats`, the first that many are head-on
// intruders 5 to 7.5 km ahead and 150 to 400 ft above or below, and the others are drawn again
// until they raise nothing.
std::vector<AircraftRecord> CycleTraffic(int threats = 0) {
    EncounterDraw draw(49);
    std::vector<AircraftRecord> records;
    for (int i = 0; i < threats; ++i) {
        const double above = (i % 2 == 0 ? 1 : -1) * (150 + 50 * i) * kFt;
        const GeodeticPosition at = Displaced(kOwnAt, {200.0 * i, 5000 + 500.0 * i, above});
        records.push_back(RecordAt(i, at, 270, 200, 0));
    }
    while (static_cast<int>(records.size()) < kCycleAircraft) {
        const AircraftRecord r =
            RecordAt(static_cast<int>(records.size()), draw.Near(kOwnAt), draw.Between(0, 360),
                     draw.Between(0, 300), draw.Between(-40, 40));
        const TcasAircraft seen{{r.latitude, r.longitude, r.baroAltitude},
                                r.groundSpeed * std::cos(r.track * kRadians),
                                r.groundSpeed * std::sin(r.track * kRadians),
                                r.verticalRate};
        if (threats == 0 || AssessIntruder(kOwnShip, seen).level == TcasLevel::None) {
            records.push_back(r);
        }
    }
    return records;
}

// The alert part of a cycle: the aircraft as shown now, each assessed, their advisories, the
// voice.
void TcasCycle(benchmark::State& state, int threats) {
    const std::vector<AircraftRecord> records = CycleTraffic(threats);
    const auto forwarder = std::make_unique<TrafficForwarder>();
    forwarder->Publish(records, 0);
    TcasIntruder intruders[kMaxBlockAircraft];
    TcasSystem tcas;
    for (auto _ : state) {
        const int n = forwarder->Intruders(1.0, intruders, kMaxBlockAircraft);
        tcas.Step({kOwnShip, std::nullopt}, {intruders, static_cast<std::size_t>(n)}, 1.0);
        benchmark::DoNotOptimize(tcas.Voice());
    }
    state.counters["request"] = RequestOf(tcas.Voice());
    state.counters["advisories"] = static_cast<double>(tcas.Intruders().size());
}

void BM_TcasCycle49(benchmark::State& state) {
    TcasCycle(state, 0);
}
BENCHMARK(BM_TcasCycle49)->Unit(benchmark::kMicrosecond);

void BM_TcasCycle49SixThreats(benchmark::State& state) {
    TcasCycle(state, 6);
}
BENCHMARK(BM_TcasCycle49SixThreats)->Unit(benchmark::kMicrosecond);

class NullSink : public DatagramSink {
public:
    bool Send(const std::uint8_t* data, std::size_t size) override {
        benchmark::DoNotOptimize(data);
        benchmark::DoNotOptimize(size);
        return true;
    }
};

// A whole tick of the bridge with FlightGear heard and 49 aircraft forwarded: the link check,
// the 49 position messages and the alert request.
void BM_BridgeTick49(benchmark::State& state) {
    const auto block = std::make_unique<VisualInterfaceBlock>();
    std::memset(block.get(), 0, sizeof(VisualInterfaceBlock));
    const std::vector<AircraftRecord> records = CycleTraffic();
    block->aircraftCount = kCycleAircraft;
    std::memcpy(block->aircraft, records.data(), records.size() * sizeof(AircraftRecord));
    const FgSettings settings;
    FgBridge bridge(*block, settings, 0);
    block->publishCounter = 1; // published after the bridge started
    const std::vector<std::uint8_t> own = OwnShipMessage(60000);
    bridge.Receive(own.data(), own.size(), false, 1.0);
    NullSink sink;
    bridge.Tick(1.0, sink); // takes the publication
    for (auto _ : state) {
        bridge.Tick(1.0, sink);
    }
    state.counters["forwarded"] = bridge.Status().forwarded;
    state.counters["request"] = bridge.Status().soundRequest;
}
BENCHMARK(BM_BridgeTick49)->Unit(benchmark::kMicrosecond);

// The same tick with 49 aircraft at Honolulu, each doing what traffic does at an airport: on
// final (some landing with their records stopped), rolling for take-off, climbing out, taxiing
// on FlightGear's taxiways (where its scenery is installed) and parked, each message with its
// property values.
AircraftRecord AtHonolulu(int i, const RunwayFrame& frame, const RunwayPoint& point, double speed,
                          double rate, double off = 0) {
    const TrafficFix fix = FixIn(frame, point, speed, rate, off);
    AircraftRecord r{};
    r.callsign[0] = static_cast<char>('H' + i / 26);
    r.callsign[1] = static_cast<char>('A' + i % 26);
    r.icaoAddress = 0xA00000 + i;
    r.latitude = fix.position.latitude;
    r.longitude = fix.position.longitude;
    r.geoAltitude = fix.position.height;
    r.track = fix.track;
    r.groundSpeed = speed;
    r.verticalRate = rate;
    r.positionTime = 1000;
    r.onGround = point.up == 0 && speed < 25 ? 1 : 0;
    return r;
}

std::vector<AircraftRecord> AirportTraffic(const AirportIndex& airports, int first, int count) {
    const RunwayFrame arrivals = FrameNamed(airports, "26R");
    const RunwayFrame departures = FrameNamed(airports, "08R");
    const double glide = std::tan(3 * kRadians);
    std::vector<AircraftRecord> records;
    for (int i = first; i < first + count; ++i) {
        const double k = i % 7;
        switch (i % 5) {
        case 0: { // on final, 1 to 8 NM out
            const double along = -(1 + k) * kNm;
            records.push_back(
                AtHonolulu(i, arrivals, {along, 20 * k - 60, glide * (300 - along)}, 70, -3.7));
            break;
        }
        case 1: // rolling for take-off
            records.push_back(AtHonolulu(i, departures, {300 + 200 * k, 3, 0}, 20 + 6 * k, 0));
            break;
        case 2: // climbing out
            records.push_back(AtHonolulu(i, departures, {4000 + 900 * k, 0, 150 + 60 * k}, 85, 10));
            break;
        case 3: // taxiing beside the runway
            records.push_back(AtHonolulu(i, arrivals, {500 + 300 * k, -200, 0}, 8, 0, -90));
            break;
        default: // standing on the apron
            records.push_back(AtHonolulu(i, arrivals, {800 + 150 * k, -420, 0}, 0, 0, 90));
            break;
        }
    }
    return records;
}

void BM_BridgeTick49AtAirport(benchmark::State& state) {
    const auto airports = HonoluluAlone();
    GroundNetworks networks({std::string(CORVANE_FG_ROOT) + "/Scenery"});
    FgSettings settings;
    settings.airports = {airports.get(), &networks};
    const auto block = std::make_unique<VisualInterfaceBlock>();
    std::memset(block.get(), 0, sizeof(VisualInterfaceBlock));
    const auto publish = [&block](const std::vector<AircraftRecord>& records, int counter) {
        block->aircraftCount = static_cast<std::int32_t>(records.size());
        std::memcpy(block->aircraft, records.data(), records.size() * sizeof(AircraftRecord));
        block->publishCounter = counter;
    };
    FgBridge bridge(*block, settings, 0);
    // The first publication has 49; the next has 44 of them, the 5 others on final land
    // without their records.
    publish(AirportTraffic(*airports, 0, kCycleAircraft), 1);
    const std::vector<std::uint8_t> own = OwnShipMessage(60000);
    bridge.Receive(own.data(), own.size(), false, 1.0);
    NullSink sink;
    bridge.Tick(1.0, sink);
    std::vector<AircraftRecord> next;
    for (const AircraftRecord& r : AirportTraffic(*airports, 0, kCycleAircraft)) {
        const int i = r.icaoAddress - 0xA00000;
        if (!(i % 5 == 0 && i < 25)) {
            next.push_back(r);
            next.back().positionTime += 10;
        }
    }
    publish(next, 2);
    bridge.Receive(own.data(), own.size(), false, 10.0);
    bridge.Tick(10.0, sink);
    for (auto _ : state) {
        bridge.Tick(10.5, sink);
    }
    state.counters["forwarded"] = bridge.Status().forwarded;
    state.counters["landing"] = bridge.Traffic().LandingWithoutRecords();
    state.counters["networks"] = networks.Read();
}
BENCHMARK(BM_BridgeTick49AtAirport)->Unit(benchmark::kMicrosecond);

} // namespace
