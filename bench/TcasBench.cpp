// Cost of the bridge's traffic-alert logic: one assessment of one intruder, over encounters drawn
// as the logic meets them (own-ship 500 to 45000 ft, any direction up to 300 m/s, vertical rates
// up to 40 m/s, intruders within 8 NM and 3000 ft), and one whole bridge cycle with 49 aircraft:
// the tick that sends them to FlightGear and raises the alert request, and the alert part of it
// alone.

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

std::vector<AircraftRecord> CycleTraffic() {
    EncounterDraw draw(49);
    std::vector<AircraftRecord> records;
    for (int i = 0; i < kCycleAircraft; ++i) {
        const GeodeticPosition at = draw.Near(kOwnAt);
        AircraftRecord r{};
        r.callsign[0] = static_cast<char>('A' + i % 26);
        r.callsign[1] = static_cast<char>('A' + i / 26);
        r.icaoAddress = 0x4CA000 + i;
        r.latitude = at.latitude;
        r.longitude = at.longitude;
        r.geoAltitude = at.height;
        r.track = draw.Between(0, 360);
        r.groundSpeed = draw.Between(0, 300);
        r.verticalRate = draw.Between(-40, 40);
        r.positionTime = 1000;
        records.push_back(r);
    }
    return records;
}

// The alert part of a cycle: the aircraft as shown now, the worst threat, the advisory.
void BM_TcasCycle49(benchmark::State& state) {
    const std::vector<AircraftRecord> records = CycleTraffic();
    const auto forwarder = std::make_unique<TrafficForwarder>();
    forwarder->Publish(records, 0);
    const TcasAircraft own{kOwnAt, 0, 120, 0};
    TcasAircraft intruders[kMaxBlockAircraft];
    TcasAdvisory advisory;
    for (auto _ : state) {
        const int n = forwarder->Intruders(1.0, intruders, kMaxBlockAircraft);
        advisory =
            NextAdvisory(advisory, WorstThreat(own, {intruders, static_cast<std::size_t>(n)}), 1.0);
        benchmark::DoNotOptimize(advisory);
    }
    state.counters["request"] = RequestOf(advisory);
}
BENCHMARK(BM_TcasCycle49)->Unit(benchmark::kMicrosecond);

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

} // namespace
