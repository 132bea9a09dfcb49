#include "tools/fg/TrafficForwarder.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "traffic/FlightLimits.h"
#include "traffic/Units.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {
// FlightGear smooths the motion of a multiplayer aircraft over this much of the sender's time.
constexpr double kLagSeconds = 0.1;

void AddressCallsign(const AircraftRecord& record, char (&callsign)[kMpCallsignSize]) {
    FormatBounded(callsign, kMpCallsignSize, "%06X",
                  static_cast<unsigned>(record.icaoAddress) & 0xFFFFFFu);
}

// A callsign's characters as one number: two callsigns are the same aircraft exactly when their
// numbers are equal (seven characters fit, and none is 0).
std::uint64_t IdentityOf(const char (&callsign)[kMpCallsignSize]) {
    std::uint64_t id = 0;
    for (int i = 0; i < kMpCallsignSize && callsign[i] != '\0'; ++i) {
        id = id << 8 | static_cast<unsigned char>(callsign[i]);
    }
    return id;
}

bool Finite(double value) {
    return std::isfinite(value);
}

// Not a number is a value the receiver did not have: none. Infinity is a broken value, kept so
// that the limits refuse it.
double OrNone(double value) {
    return std::isnan(value) ? 0.0 : value;
}

// How an aircraft of a class moves at airports; one of no known class as an airliner does.
FlightClass FlightClassOf(AircraftClass kind) {
    switch (kind) {
    case AircraftClass::LightSingle:
        return FlightClass::Piston;
    case AircraftClass::TwinTurboprop:
        return FlightClass::Turboprop;
    case AircraftClass::Helicopter:
        return FlightClass::Helicopter;
    case AircraftClass::RegionalJet:
    case AircraftClass::NarrowBody:
    case AircraftClass::WideBody:
    case AircraftClass::Unknown:
        break;
    }
    return FlightClass::Jet;
}

// The values kSentProperties names, in its order.
void PropertiesOf(const ShownAircraft& shown, MpProperty (&out)[std::size(kSentProperties)]) {
    const Configuration& c = shown.configuration;
    const double values[] = {c.flaps,
                             c.speedBrake,
                             c.gear,
                             c.gear,
                             c.gear,
                             c.n1,
                             c.rpm,
                             c.n1,
                             c.rpm,
                             shown.position.height / units::kMetresPerFoot,
                             IsOnGround(shown.phase) ? 1.0 : 0.0};
    static_assert(std::size(values) == std::size(kSentProperties));
    for (std::size_t i = 0; i < std::size(kSentProperties); ++i) {
        out[i] = {kSentProperties[i], *KindOfProperty(kSentProperties[i]), values[i]};
    }
}
// The simulator's ground under one aircraft, as its TrafficGround has it: the terrain where
// FlightGear said it near the point, else the fallback (the field's elevation).
class GroundOf final : public GroundHeights {
public:
    explicit GroundOf(const TrafficGround& ground) : ground(ground) {}
    double HeightAt(double latitude, double longitude, double fallback) const override {
        return ground.TerrainNear(latitude, longitude).value_or(fallback);
    }

private:
    const TrafficGround& ground;
};
} // namespace

void MultiplayerCallsign(const AircraftRecord& record, char (&callsign)[kMpCallsignSize]) {
    char text[sizeof record.callsign + 1] = {};
    std::memcpy(text, record.callsign, sizeof record.callsign);
    MaskControlsBounded(callsign, TrimTrailingSpaces(text), kMpCallsignSize);
    if (callsign[0] == '\0') {
        AddressCallsign(record, callsign);
    }
}

std::optional<double> RecordedHeight(const AircraftRecord& record, const GeoidGrid* geoid) {
    if (OrNone(record.geoAltitude) == 0.0) {
        // A pressure altitude is the height above sea level of the standard atmosphere,
        // FlightGear's default weather.
        const double barometric = OrNone(record.baroAltitude);
        return barometric != 0.0 ? std::optional<double>(barometric) : std::nullopt;
    }
    const std::optional<double> undulation =
        geoid != nullptr ? geoid->Undulation(record.latitude, record.longitude) : std::nullopt;
    return record.geoAltitude - undulation.value_or(0.0);
}

double SeaLevelHeight(const AircraftRecord& record, const GeoidGrid* geoid) {
    return RecordedHeight(record, geoid).value_or(0.0);
}

std::optional<double> PressureAltitude(const AircraftRecord& record) {
    const double baro = OrNone(record.baroAltitude);
    if (baro == 0.0 || !flight_limits::IsFlyableHeight(baro)) {
        return std::nullopt;
    }
    return baro;
}

FixUse FixOf(const AircraftRecord& record, TrafficFix& fix, const GeoidGrid* geoid) {
    const double altitude = SeaLevelHeight(record, geoid);
    if (!Finite(record.latitude) || !Finite(record.longitude) ||
        std::fabs(record.latitude) > 90.0 || std::fabs(record.longitude) > 180.0 ||
        !flight_limits::IsFlyableHeight(altitude)) {
        return FixUse::Unusable;
    }
    fix.position = {record.latitude, record.longitude, altitude};
    fix.track = Finite(record.track) ? std::fmod(record.track, 360.0) : 0.0;
    // A speed or rate beyond what aircraft fly is a broken record whose motion says nothing:
    // it is shown where it was seen.
    const double speed = OrNone(record.groundSpeed);
    const double rate = OrNone(record.verticalRate);
    if (!flight_limits::IsFlyableGroundSpeed(speed) ||
        !flight_limits::IsFlyableVerticalRate(rate)) {
        fix.groundSpeed = fix.verticalRate = 0;
        return FixUse::Held;
    }
    fix.groundSpeed = speed;
    fix.verticalRate = rate;
    return FixUse::Moving;
}

TrafficForwarder::TrafficForwarder(const char* modelPath, const ModelMatcher* matcher,
                                   const GeoidGrid* geoid, AirportWorld world)
    : matcher(matcher), geoid(geoid), world(world) {
    CopyBounded(model, modelPath, kMpModelSize);
}

int TrafficForwarder::Find(const char* callsign, const Aircraft* in, int size) const {
    for (int i = 0; i < size; ++i) {
        if (std::strcmp(in[i].callsign, callsign) == 0) {
            return i;
        }
    }
    return -1;
}

// Two aircraft of one publication under one callsign would make one aircraft that jumps
// between them in FlightGear: the second takes its address, and a true duplicate is dropped.
bool TrafficForwarder::Take(const AircraftRecord& record, double fixTime, double now, bool hold,
                            Aircraft* next, int& nextCount) {
    TrafficFix fix{};
    FixUse use = nextCount < kMaxBlockAircraft ? FixOf(record, fix, geoid) : FixUse::Unusable;
    if (use == FixUse::Unusable) {
        return false;
    }
    if (hold) {
        fix.groundSpeed = fix.verticalRate = 0;
        use = FixUse::Held;
    }
    Aircraft& taken = next[nextCount];
    MultiplayerCallsign(record, taken.callsign);
    if (Find(taken.callsign, next, nextCount) >= 0) {
        AddressCallsign(record, taken.callsign);
        if (Find(taken.callsign, next, nextCount) >= 0) {
            return false;
        }
    }
    const int known = Find(taken.callsign, aircraft.data(), count);
    if (known >= 0) {
        taken = aircraft[known];
    } else {
        taken.ground = TrafficGround{};
        ChooseModel(record, fix, taken);
    }
    PlaceOnGround(record, fix, taken.ground);
    const GroundOf ground(taken.ground);
    if (known < 0) {
        taken.motion.Start(fix, fixTime, ContextOf(record, taken, ground));
    } else if (!(record.positionTime == taken.positionTime && taken.motion.WithoutRecords(now))) {
        // A record that says nothing newer is no record for a landing: it lands on its own.
        taken.motion.Update(fix, fixTime, now, ContextOf(record, taken, ground));
    }
    taken.positionTime = record.positionTime;
    landing += taken.motion.LandingWithoutRecords() ? 1 : 0;
    const std::optional<double> pressure = PressureAltitude(record);
    taken.reportsAltitude = pressure.has_value();
    taken.pressureOffset = pressure.value_or(fix.position.height) - fix.position.height;
    taken.saysOnGround = record.onGround != 0;
    ++nextCount;
    held += use == FixUse::Held ? 1 : 0;
    ++byRule[static_cast<int>(taken.rule)];
    return true;
}

// The record's speed decides, not a motion held for being unusable: a broken record is no
// aircraft on the ground. One on the ground moves along it: its fix is the ground's.
void TrafficForwarder::PlaceOnGround(const AircraftRecord& record, TrafficFix& fix,
                                     TrafficGround& ground) const {
    const Airport* airport =
        world.airports != nullptr
            ? GroundAirport(*world.airports, fix.position.latitude, fix.position.longitude)
            : nullptr;
    ground.Take({fix.position.latitude, fix.position.longitude, RecordedHeight(record, geoid),
                 OrNone(record.groundSpeed)},
                airport);
    if (ground.OnGround()) {
        fix.position.height = ground.Height();
        fix.verticalRate = 0;
    }
}

// A model path that does not fit the message would be cut into another path: the default is
// drawn instead.
void TrafficForwarder::ChooseModel(const AircraftRecord& record, const TrafficFix& fix,
                                   Aircraft& taken) const {
    taken.rule = MatchRule::Default;
    taken.kind = FlightClass::Jet;
    CopyBounded(taken.model, model, kMpModelSize);
    if (matcher == nullptr) {
        return;
    }
    char text[sizeof record.callsign + 1] = {};
    std::memcpy(text, record.callsign, sizeof record.callsign);
    const ModelChoice choice = matcher->Match(
        {TrimTrailingSpaces(text), record.icaoAddress, fix.groundSpeed, fix.position.height});
    if (!choice.model.empty() && choice.model.size() < kMpModelSize) {
        CopyBounded(taken.model, choice.model.c_str(), kMpModelSize);
        taken.rule = choice.rule;
    }
    taken.kind = FlightClassOf(choice.kind);
}

MotionContext TrafficForwarder::ContextOf(const AircraftRecord& record, const Aircraft& taken,
                                          const GroundHeights& ground) const {
    MotionContext context;
    context.airports = world.airports;
    context.ground = &ground;
    context.kind = taken.kind;
    context.onGround = record.onGround != 0 || taken.ground.OnGround();
    context.heightKnown = OrNone(record.geoAltitude) != 0.0 || OrNone(record.baroAltitude) != 0.0;
    if (world.airports != nullptr && world.networks != nullptr) {
        if (const Airport* field =
                world.airports->Nearest(record.latitude, record.longitude, kGroundNetworkRange)) {
            context.network = world.networks->Of(field->code);
        }
    }
    return context;
}

// An aircraft of the last publication that this one has no more goes on while it is landing.
void TrafficForwarder::KeepLanding(double now, int& nextCount) {
    for (int i = 0; i < count && nextCount < kMaxShownAircraft; ++i) {
        if (Find(aircraft[i].callsign, incoming.data(), nextCount) < 0 &&
            aircraft[i].motion.WithoutRecords(now)) {
            incoming[nextCount++] = aircraft[i];
            ++landing;
        }
    }
}

void TrafficForwarder::Publish(std::span<const AircraftRecord> records, double now,
                               RecordTimes times) {
    std::int32_t newest = INT32_MIN;
    for (const AircraftRecord& record : records) {
        newest = std::max(newest, record.positionTime);
    }
    // The tables are made at the first publication: a bridge that never gets one (FlightGear
    // heard, no feeder yet) holds 300 KB less.
    if (incoming.empty()) {
        incoming.resize(kMaxShownAircraft);
        aircraft.resize(kMaxShownAircraft);
    }
    int nextCount = 0;
    skipped = 0;
    held = 0;
    landing = 0;
    std::fill(std::begin(byRule), std::end(byRule), 0);
    for (const AircraftRecord& record : records) {
        double age =
            std::clamp(static_cast<double>(newest) - record.positionTime, 0.0, kMaxFixAgeSeconds);
        bool hold = false;
        if (times.live) {
            age = std::max(0.0, times.calendar - record.positionTime);
            hold = !(age <= kLiveHoldSeconds);
            age = hold ? 0.0 : age;
        }
        if (!Take(record, now - age, now, hold, incoming.data(), nextCount)) {
            ++skipped;
        }
    }
    KeepLanding(now, nextCount);
    std::copy(incoming.begin(), incoming.begin() + nextCount, aircraft.begin());
    count = nextCount;
}

ShownAircraft TrafficForwarder::Shown(const Aircraft& plane, double now) const {
    ShownAircraft shown = plane.motion.At(now);
    if (plane.ground.OnGround()) {
        shown.position.height = plane.ground.Height();
        shown.verticalRate = 0;
        shown.attitude.pitch = shown.attitude.roll = 0;
    }
    return shown;
}

void TrafficForwarder::KeepGround(double now, TerrainSource& source) {
    for (const TerrainAnswer& answer : source.TakeTerrain()) {
        for (int i = 0; i < count && !aircraft[i].ground.TakeAnswer(answer, now); ++i) {
        }
    }
    for (int i = 0; i < count; ++i) {
        // A landing's ground is the runway's where it touches down.
        const std::optional<GeodeticPosition> touchdown = aircraft[i].motion.Touchdown();
        aircraft[i].ground.AskWhenDue(touchdown.value_or(aircraft[i].motion.At(now).position), now,
                                      source, touchdown.has_value());
    }
}

int TrafficForwarder::OnGround() const {
    int on = 0;
    for (int i = 0; i < count; ++i) {
        on += aircraft[i].ground.OnGround() ? 1 : 0;
    }
    return on;
}

int TrafficForwarder::SendAll(double now, double stamp, DatagramSink& sink) const {
    int refused = 0;
    for (int i = 0; i < count; ++i) {
        if (now >= aircraft[i].motion.GoneAt()) {
            continue;
        }
        const ShownAircraft shown = Shown(aircraft[i], now);
        MpPosition message{};
        CopyBounded(message.callsign, aircraft[i].callsign, kMpCallsignSize);
        CopyBounded(message.model, aircraft[i].model, kMpModelSize);
        message.time = stamp;
        message.lag = kLagSeconds;
        message.position = ToEarthFixed(shown.position);
        message.attitude = AttitudeVector(shown.position, shown.attitude);
        message.linearVelocity = {std::hypot(shown.groundSpeed, shown.verticalRate), 0, 0};
        MpProperty properties[std::size(kSentProperties)];
        PropertiesOf(shown, properties);
        std::uint8_t datagram[kMpMaxDatagram];
        if (!IsPlausiblePosition(message)) {
            ++refused;
            continue;
        }
        const std::size_t size = EncodePosition(message, datagram, sizeof datagram, properties);
        if (!sink.Send(datagram, size)) {
            ++refused;
        }
    }
    return refused;
}

int TrafficForwarder::Intruders(double now, TcasIntruder* intruders, int capacity) const {
    int n = 0;
    for (int i = 0; i < count && n < capacity; ++i) {
        const Aircraft& a = aircraft[i];
        if (now >= a.motion.GoneAt()) {
            continue;
        }
        const ShownAircraft shown = Shown(a, now);
        const double track = shown.attitude.heading * kRadians;
        GeodeticPosition position = shown.position;
        position.height += a.pressureOffset;
        TcasIntruder& intruder = intruders[n++];
        intruder.id = IdentityOf(a.callsign);
        intruder.aircraft = {position, shown.groundSpeed * std::cos(track),
                             shown.groundSpeed * std::sin(track), shown.verticalRate};
        intruder.reportsAltitude = a.reportsAltitude;
        intruder.saysOnGround = a.saysOnGround;
    }
    return n;
}
