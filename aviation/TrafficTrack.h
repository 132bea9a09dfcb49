#pragma once
// One recorded aircraft as it is shown between two of its fixes: it moves on by dead
// reckoning from its last fix (track, ground speed and vertical rate), and a new fix is blended
// in over about two seconds instead of making the aircraft jump. The blend never moves it
// backwards along its track: when the new fix lies behind the aircraft as shown, the aircraft
// slows down until the fix has caught up, instead of turning back.

#include "aviation/Geodesy.h"

inline constexpr double kBlendSeconds = 2.0;
// While the fix catches up, the aircraft shown moves on at no less than this share of its speed.
inline constexpr double kLeastShareOfSpeed = 0.5;
// A new bank is eased in over this long, so that the aircraft rolls into and out of a turn.
inline constexpr double kRollSeconds = 3.0;
// The turn between two fixes further apart than this says nothing about how the aircraft
// banks now; closer together than the shorter one, it is mostly noise of the tracks.
inline constexpr double kLongestTurnSeconds = 60.0;
inline constexpr double kShortestTurnSeconds = 1.0;

// A fix this far from the aircraft as shown (or at no distance that is a number) is a new start,
// not a correction: the aircraft is moved there at once.
inline constexpr double kRestartMetres = 10000.0;

struct TrafficFix {
    GeodeticPosition position; // height in metres
    double track;              // degrees true
    double groundSpeed;        // m/s
    double verticalRate;       // m/s, climbing positive
};

class TrafficTrack {
public:
    // The aircraft is shown at `fix` as it was at `fixTime` (seconds of the caller's clock), at
    // once, without a blend.
    void Start(const TrafficFix& fix, double fixTime);
    // A new fix, taken at `now`, that holds the position as it was at `fixTime`.
    void Update(const TrafficFix& fix, double fixTime, double now);
    // The aircraft as shown at `now`: its position, and the track, speed and rate of its fix.
    TrafficFix At(double now) const;
    // The bank shown at `now` (degrees, right wing down positive): that of a coordinated turn at
    // the rate the track turned between the last two fixes, eased in from the bank shown before.
    double BankAt(double now) const;

private:
    TrafficFix fix{};
    double fixTime = 0;
    double blendStart = 0;
    // What the shown aircraft had still to make up at blendStart, in the frame of the new
    // fix's track: ahead along the track, to its right, and up.
    double alongOffset = 0;
    double crossOffset = 0;
    double upOffset = 0;
    double bankFrom = 0;
    double bankTo = 0;
    double rollStart = 0;
};

// `fix` moved on by `seconds` at its track, speed and rate; the height stays within what
// aircraft fly (traffic/FlightLimits.h).
GeodeticPosition DeadReckoned(const TrafficFix& fix, double seconds);
