#include "tools/fg/TrafficForwarder.h"

#include "text_functions/ControlMask.h"
#include "text_functions/TextFunctions.h"
#include "traffic/FlightLimits.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
} // namespace

void MultiplayerCallsign(const AircraftRecord& record, char (&callsign)[kMpCallsignSize]) {
    char text[sizeof record.callsign + 1] = {};
    std::memcpy(text, record.callsign, sizeof record.callsign);
    MaskControlsBounded(callsign, TrimTrailingSpaces(text), kMpCallsignSize);
    if (callsign[0] == '\0') {
        AddressCallsign(record, callsign);
    }
}

double SeaLevelHeight(const AircraftRecord& record, const GeoidGrid* geoid) {
    if (OrNone(record.geoAltitude) == 0.0) {
        // A pressure altitude is the height above sea level of the standard atmosphere,
        // FlightGear's default weather.
        return OrNone(record.baroAltitude);
    }
    const std::optional<double> undulation =
        geoid != nullptr ? geoid->Undulation(record.latitude, record.longitude) : std::nullopt;
    return record.geoAltitude - undulation.value_or(0.0);
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
                                   const GeoidGrid* geoid)
    : matcher(matcher), geoid(geoid) {
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
    const int known = Find(taken.callsign, aircraft, count);
    if (known >= 0) {
        taken.track = aircraft[known].track;
        taken.track.Update(fix, fixTime, now);
        CopyBounded(taken.model, aircraft[known].model, kMpModelSize);
        taken.rule = aircraft[known].rule;
    } else {
        taken.track.Start(fix, fixTime);
        ChooseModel(record, fix, taken);
    }
    const std::optional<double> pressure = PressureAltitude(record);
    taken.reportsAltitude = pressure.has_value();
    taken.pressureOffset = pressure.value_or(fix.position.height) - fix.position.height;
    taken.saysOnGround = record.onGround != 0;
    ++nextCount;
    held += use == FixUse::Held ? 1 : 0;
    ++byRule[static_cast<int>(taken.rule)];
    return true;
}

// A model path that does not fit the message would be cut into another path: the default is
// drawn instead.
void TrafficForwarder::ChooseModel(const AircraftRecord& record, const TrafficFix& fix,
                                   Aircraft& taken) const {
    taken.rule = MatchRule::Default;
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
}

void TrafficForwarder::Publish(std::span<const AircraftRecord> records, double now,
                               RecordTimes times) {
    std::int32_t newest = INT32_MIN;
    for (const AircraftRecord& record : records) {
        newest = std::max(newest, record.positionTime);
    }
    int nextCount = 0;
    skipped = 0;
    held = 0;
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
        if (!Take(record, now - age, now, hold, incoming, nextCount)) {
            ++skipped;
        }
    }
    std::copy(incoming, incoming + nextCount, aircraft);
    count = nextCount;
}

int TrafficForwarder::SendAll(double now, double stamp, DatagramSink& sink) const {
    int refused = 0;
    for (int i = 0; i < count; ++i) {
        const TrafficFix shown = aircraft[i].track.At(now);
        MpPosition message{};
        CopyBounded(message.callsign, aircraft[i].callsign, kMpCallsignSize);
        CopyBounded(message.model, aircraft[i].model, kMpModelSize);
        message.time = stamp;
        message.lag = kLagSeconds;
        message.position = ToEarthFixed(shown.position);
        const double pitch = std::atan2(shown.verticalRate, shown.groundSpeed) * kDegrees;
        message.attitude =
            AttitudeVector(shown.position, {shown.track, pitch, aircraft[i].track.BankAt(now)});
        message.linearVelocity = {std::hypot(shown.groundSpeed, shown.verticalRate), 0, 0};
        std::uint8_t datagram[kMpPositionSize];
        if (!IsPlausiblePosition(message)) {
            ++refused;
            continue;
        }
        const std::size_t size = EncodePosition(message, datagram, sizeof datagram);
        if (!sink.Send(datagram, size)) {
            ++refused;
        }
    }
    return refused;
}

int TrafficForwarder::Intruders(double now, TcasIntruder* intruders, int capacity) const {
    const int n = std::min(count, capacity);
    for (int i = 0; i < n; ++i) {
        const Aircraft& a = aircraft[i];
        const TrafficFix shown = a.track.At(now);
        const double track = shown.track * kRadians;
        GeodeticPosition position = shown.position;
        position.height += a.pressureOffset;
        TcasIntruder& intruder = intruders[i];
        intruder.id = IdentityOf(a.callsign);
        intruder.aircraft = {position, shown.groundSpeed * std::cos(track),
                             shown.groundSpeed * std::sin(track), shown.verticalRate};
        intruder.reportsAltitude = a.reportsAltitude;
        intruder.saysOnGround = a.saysOnGround;
    }
    return n;
}
