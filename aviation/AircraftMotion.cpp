#include "aviation/AircraftMotion.h"

#include "aviation/FinalCapture.h"
#include "aviation/Smoothstep.h"
#include "traffic/FlightLimits.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Two fixes closer together than this, or further apart, say nothing of how the speed changes.
constexpr double kShortestSpan = 0.5; // seconds
constexpr double kLongestSpan = 60.0; // seconds
// While the shown aircraft is ahead of where it should be, the blend takes it back no faster
// than this share of its speed (it slows, and never moves backwards).
constexpr double kBackShare = 0.5;

double ReachedIn(double metres, double speed) {
    // The smooth step's steepest rate is 1.5 times its mean.
    return 1.5 * std::fabs(metres) / speed;
}
} // namespace

void AircraftMotion::Start(const TrafficFix& fix, double fixTime, const MotionContext& context) {
    *this = AircraftMotion();
    track.Start(fix, fixTime);
    phase = context.onGround ? FlightPhase::Taxi : FlightPhase::EnRoute;
    Judge(fix, fixTime, context, std::nan(""));
    blendStart = fixTime;
    configurationSince = fixTime;
    configurationFrom = TargetOf(PhaseAt(fixTime), heightAboveField, atGate, *limits);
}

void AircraftMotion::Update(const TrafficFix& fix, double fixTime, double now,
                            const MotionContext& context) {
    const ShownAircraft before = At(now);
    const double span = fixTime - lastFixTime;
    const double acceleration = span >= kShortestSpan && span <= kLongestSpan
                                    ? (fix.groundSpeed - lastFix.groundSpeed) / span
                                    : std::nan("");
    track.Update(fix, fixTime, now);
    recordsStopped = false;
    Judge(fix, fixTime, context, acceleration);
    configurationFrom = before.configuration;
    configurationSince = now;
    // Whatever the new path shows now, the aircraft moves there from where it was shown.
    blendStart = now;
    blendSeconds = 0;
    blendOffset = {};
    const ShownAircraft after = Raw(now);
    const LocalOffset offset = OffsetBetween(after.position, before.position);
    const double horizontal = std::hypot(offset.north, offset.east);
    if (!(horizontal <= kRestartMetres) || !std::isfinite(offset.up)) {
        return; // a new start: shown there at once
    }
    blendOffset = offset;
    const double heading = after.attitude.heading * kRadians;
    const double ahead = offset.north * std::cos(heading) + offset.east * std::sin(heading);
    blendSeconds = std::max(
        {kBlendSeconds, ReachedIn(horizontal, kPullSpeed), ReachedIn(offset.up, kPullSpeed)});
    if (ahead > 0 && after.groundSpeed >= 1.0) {
        blendSeconds = std::max(blendSeconds, ReachedIn(ahead, kBackShare * after.groundSpeed));
    }
}

bool AircraftMotion::WithoutRecords(double now) {
    if (path != Path::Landing) {
        return false;
    }
    recordsStopped = true;
    return now < GoneAt();
}

double AircraftMotion::GoneAt() const {
    return recordsStopped ? landing.StopTime() + kRemoveAfterStopSeconds
                          : std::numeric_limits<double>::infinity();
}

void AircraftMotion::Judge(const TrafficFix& fix, double fixTime, const MotionContext& context,
                           double acceleration) {
    lastFix = fix;
    lastFixTime = fixTime;
    limits = &LimitsOf(context.kind);
    network = limits->usesRunways ? context.network : nullptr;
    const GeodeticPosition& at = fix.position;
    const Airport* field = context.airports != nullptr
                               ? context.airports->Nearest(at.latitude, at.longitude, kFieldRange)
                               : nullptr;
    const double elevation = field != nullptr ? field->elevation : std::nan("");
    heightAboveField = context.heightKnown ? at.height - elevation : std::nan("");
    groundHeight = field == nullptr ? at.height
                   : context.ground != nullptr
                       ? context.ground->HeightAt(at.latitude, at.longitude, elevation)
                       : elevation;
    const bool runways = context.airports != nullptr && limits->usesRunways;
    RunwayEndRef under;
    const bool onRunway = runways && fix.groundSpeed >= limits->parkedSpeed &&
                          RunwayUnder(*context.airports, at, fix.track, under);
    const bool rolling =
        onRunway && (!context.heightKnown || (at.height - groundHeight < kRollingHeight &&
                                              std::fabs(fix.verticalRate) <= limits->levelRate));
    const bool onGround = context.onGround || rolling;
    RunwayEndRef final;
    bool onFinal = false;
    if (runways && !onGround) {
        // Once on final for a runway, it stays on that runway's final while it can.
        const bool keeps =
            phase == FlightPhase::Final && runway != nullptr &&
            IsOnFinal(*runway, runwayEnd, context.airports->AirportOf(*runway).elevation, fix);
        if (keeps) {
            final = {runway, runwayEnd};
        }
        onFinal = keeps || CaptureFinal(*context.airports, fix, final);
    }
    phase = NextPhase(phase,
                      {heightAboveField, fix.verticalRate, fix.groundSpeed, onGround, onRunway,
                       acceleration, onFinal},
                      *limits);
    atGate = false;
    standingHeading = fix.track;
    path = Path::Track;
    switch (phase) {
    case FlightPhase::Final:
        StartRunwayPath(fix, fixTime, context, acceleration, final,
                        context.airports->AirportOf(*final.runway).elevation);
        return;
    case FlightPhase::TakeOffRoll:
    case FlightPhase::LandingRoll:
        StartRunwayPath(fix, fixTime, context, acceleration, under, elevation);
        return;
    case FlightPhase::Taxi:
        path = Path::Taxi;
        return;
    case FlightPhase::Parked:
        path = Path::Standing;
        if (const ParkingSpot* parking =
                network != nullptr ? network->ParkingAt(at.latitude, at.longitude) : nullptr) {
            atGate = true;
            standingHeading = parking->heading;
        }
        return;
    case FlightPhase::ClimbOut:
    case FlightPhase::EnRoute:
    case FlightPhase::Approach:
        return;
    }
}

void AircraftMotion::StartRunwayPath(const TrafficFix& fix, double fixTime,
                                     const MotionContext& context, double acceleration,
                                     const RunwayEndRef& end, double elevation) {
    runway = end.runway;
    runwayEnd = end.end;
    // The runway's ground where it lands: the simulator's, as near the touchdown as it is asked.
    const RunwayFrame atField = FrameOf(*runway, runwayEnd, elevation);
    const GeodeticPosition aim = PositionOf(atField, {kTouchdownAim, 0, 0});
    const double ground = context.ground != nullptr
                              ? context.ground->HeightAt(aim.latitude, aim.longitude, elevation)
                              : elevation;
    frame = FrameOf(*runway, runwayEnd, ground);
    RunwayPoint point = PointOf(frame, fix.position);
    const double along = fix.groundSpeed * std::cos(AngleOff(fix.track, frame.heading) * kRadians);
    if (phase == FlightPhase::TakeOffRoll) {
        point.up = 0;
        takeOff.Start(point, along, acceleration, fixTime, *limits);
        path = Path::TakeOff;
        return;
    }
    const bool onGround = phase == FlightPhase::LandingRoll;
    if (onGround || !context.heightKnown) {
        point.up = 0;
    }
    landing.Start(frame, point, along, fix.verticalRate, onGround, fixTime, *limits);
    path = Path::Landing;
}

std::optional<GeodeticPosition> AircraftMotion::Touchdown() const {
    if (path != Path::Landing) {
        return std::nullopt;
    }
    return PositionOf(frame, {kTouchdownAim, 0, 0});
}

ShownAircraft AircraftMotion::OnPath(const PathState& state) const {
    ShownAircraft shown{};
    shown.position = PositionOf(frame, state.point);
    shown.attitude = {std::fmod(frame.heading + state.drift + 360.0, 360.0), state.pitch, 0};
    shown.groundSpeed = state.speed;
    shown.verticalRate = state.verticalRate;
    shown.phase = state.phase;
    return shown;
}

ShownAircraft AircraftMotion::Raw(double now) const {
    if (path == Path::Landing) {
        return OnPath(landing.At(now));
    }
    if (path == Path::TakeOff) {
        return OnPath(takeOff.At(now));
    }
    const TrafficFix fix = track.At(now);
    ShownAircraft shown{};
    shown.position = fix.position;
    shown.groundSpeed = fix.groundSpeed;
    shown.verticalRate = fix.verticalRate;
    shown.phase = phase;
    if (path == Path::Track) {
        const double pitch = std::atan2(fix.verticalRate, fix.groundSpeed) * kDegrees;
        shown.attitude = {fix.track, pitch, track.BankAt(now)};
        return shown;
    }
    // On the ground: at the ground's height, level, along the taxiway or as its parking points.
    shown.position.height = groundHeight;
    shown.verticalRate = 0;
    shown.attitude = {path == Path::Standing ? standingHeading : fix.track, 0, 0};
    if (path == Path::Taxi && network != nullptr) {
        if (const auto snap =
                network->Snap(fix.position.latitude, fix.position.longitude, fix.track)) {
            shown.position.latitude = snap->latitude;
            shown.position.longitude = snap->longitude;
            shown.attitude.heading = snap->heading;
        }
    }
    return shown;
}

// Whatever the blend does, an aircraft on the ground or landing is never shown below it.
double AircraftMotion::GroundFloor() const {
    switch (path) {
    case Path::Landing:
    case Path::TakeOff:
        return frame.threshold.height;
    case Path::Taxi:
    case Path::Standing:
        return groundHeight;
    case Path::Track:
        break;
    }
    return flight_limits::kMinHeight;
}

FlightPhase AircraftMotion::PhaseAt(double t) const {
    if (path == Path::Landing) {
        return landing.At(t).phase;
    }
    return path == Path::TakeOff ? takeOff.At(t).phase : phase;
}

// The configuration moves towards what each phase since the last change wants, in turn: a
// landing's touchdown puts the speed brake out, its lift-off takes a take-off's gear up.
Configuration AircraftMotion::ConfigurationAt(double now) const {
    double times[3] = {};
    int count = 0;
    if (path == Path::Landing) {
        times[count++] = landing.TouchdownTime();
        times[count++] = landing.RollEndTime();
        times[count++] = landing.StopTime();
    } else if (path == Path::TakeOff) {
        times[count++] = takeOff.LiftOffTime();
    }
    Configuration shown = configurationFrom;
    double since = configurationSince;
    for (int i = 0; i < count && times[i] < now; ++i) {
        if (times[i] > since) {
            shown = Travelled(shown, TargetOf(PhaseAt(since), heightAboveField, atGate, *limits),
                              times[i] - since, *limits);
            since = times[i];
        }
    }
    return Travelled(shown, TargetOf(PhaseAt(since), heightAboveField, atGate, *limits),
                     now - since, *limits);
}

ShownAircraft AircraftMotion::At(double now) const {
    ShownAircraft shown = Raw(now);
    shown.configuration = ConfigurationAt(now);
    if (blendSeconds > 0) {
        const double remaining = 1 - Smoothstep((now - blendStart) / blendSeconds);
        if (remaining > 0) {
            const double height = shown.position.height;
            shown.position = Displaced(
                shown.position, {blendOffset.north * remaining, blendOffset.east * remaining, 0});
            shown.position.height = height + blendOffset.up * remaining;
        }
    }
    shown.position.height = std::max(shown.position.height, GroundFloor());
    return shown;
}
