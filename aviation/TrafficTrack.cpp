#include "aviation/TrafficTrack.h"

#include "aviation/Attitude.h"
#include "aviation/Smoothstep.h"
#include "traffic/FlightLimits.h"

#include <algorithm>
#include <cmath>

namespace {
// Below this speed an aircraft has no direction to keep, nor a turn: a fix behind it is blended in
// plainly.
constexpr double kLeastMovingSpeed = 1.0;

// 0 at the start of a blend of `span` seconds to 1 at its end.
double Eased(double elapsed, double span = kBlendSeconds) {
    return Smoothstep(elapsed / span);
}

// Degrees a second the track turned from `before` to `after`, right positive; 0 when the fixes
// say nothing about a turn.
double TurnRate(const TrafficFix& before, double beforeTime, const TrafficFix& after,
                double afterTime) {
    const double seconds = afterTime - beforeTime;
    if (!(seconds >= kShortestTurnSeconds && seconds <= kLongestTurnSeconds) ||
        before.groundSpeed < kLeastMovingSpeed || after.groundSpeed < kLeastMovingSpeed) {
        return 0;
    }
    const double turned = std::remainder(after.track - before.track, 360.0);
    return std::isfinite(turned) ? turned / seconds : 0;
}
} // namespace

GeodeticPosition DeadReckoned(const TrafficFix& fix, double seconds) {
    const double track = fix.track * kRadians;
    const double distance = fix.groundSpeed * seconds;
    GeodeticPosition moved =
        Displaced(fix.position, {distance * std::cos(track), distance * std::sin(track),
                                 fix.verticalRate * seconds});
    // A climb or descent kept up long after the last fix (a source that stopped sending fixes)
    // ends where aircraft end, not in space or inside the earth.
    moved.height = std::clamp(moved.height, flight_limits::kMinHeight, flight_limits::kMaxHeight);
    return moved;
}

void TrafficTrack::Start(const TrafficFix& newFix, double newFixTime) {
    fix = newFix;
    fixTime = newFixTime;
    blendStart = newFixTime;
    alongOffset = crossOffset = upOffset = 0;
    bankFrom = bankTo = 0;
    rollStart = newFixTime;
}

void TrafficTrack::Update(const TrafficFix& newFix, double newFixTime, double now) {
    const GeodeticPosition shown = At(now).position;
    const GeodeticPosition target = DeadReckoned(newFix, now - newFixTime);
    const LocalOffset error = OffsetBetween(target, shown);
    const double bankShown = BankAt(now);
    const double bank =
        CoordinatedBank(newFix.groundSpeed, TurnRate(fix, fixTime, newFix, newFixTime));
    Start(newFix, newFixTime);
    bankFrom = bankShown;
    bankTo = bank;
    rollStart = now;
    // Not finite: whatever was shown before cannot be blended from, and must not linger.
    if (!(std::hypot(error.north, error.east) <= kRestartMetres) || !std::isfinite(error.up)) {
        return;
    }
    const double track = newFix.track * kRadians;
    blendStart = now;
    alongOffset = error.north * std::cos(track) + error.east * std::sin(track);
    crossOffset = -error.north * std::sin(track) + error.east * std::cos(track);
    upOffset = error.up;
}

TrafficFix TrafficTrack::At(double now) const {
    const double elapsed = std::max(0.0, now - blendStart);
    const double remaining = 1 - Eased(elapsed);
    double along = alongOffset * remaining;
    // Ahead of the fix: fall back no faster than the aircraft flies forward. (The smooth blend
    // alone could outrun the aircraft's own speed for a large offset.)
    if (alongOffset > 0 && fix.groundSpeed >= kLeastMovingSpeed) {
        const double slowest = alongOffset - (1 - kLeastShareOfSpeed) * fix.groundSpeed * elapsed;
        along = std::max(along, slowest);
    }
    const double cross = crossOffset * remaining;
    const double track = fix.track * kRadians;
    TrafficFix shown = fix;
    shown.position =
        Displaced(DeadReckoned(fix, now - fixTime),
                  {along * std::cos(track) - cross * std::sin(track),
                   along * std::sin(track) + cross * std::cos(track), upOffset * remaining});
    return shown;
}

double TrafficTrack::BankAt(double now) const {
    return bankFrom + (bankTo - bankFrom) * Eased(now - rollStart, kRollSeconds);
}
