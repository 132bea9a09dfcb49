#pragma once
// Which way an RA points when several threats stand at once: the own-ship's answer to an RA as
// the logic models it, the separation each sense gives against each threat at its closest
// approach, and the choice of the sense (or the reversal of a standing one) from them.

#include "aviation/Attitude.h" // kStandardGravity
#include "aviation/Tcas.h"

#include <span>

// How the own-ship is taken to answer an RA: after `delay` seconds it accelerates at
// `acceleration` (m/s²) towards `rate` (m/s) in the RA's sense, and keeps a rate already beyond
// it in that sense.
struct TcasResponse {
    double delay;
    double acceleration;
    double rate;
};

// The pilot's answer the booklet's logic assumes: to a new RA within 5 s at a quarter g to
// 1500 ft/min; to a reversal within 2.5 s at 0.35 g to 2500 ft/min. An RA already being flown
// is taken as answered at once.
inline constexpr TcasResponse kTcasNewResponse{5.0, 0.25 * kStandardGravity,
                                               1500 * units::kMetresPerSecondPerFootPerMinute};
inline constexpr TcasResponse kTcasReversalResponse{2.5, 0.35 * kStandardGravity,
                                                    2500 * units::kMetresPerSecondPerFootPerMinute};
inline constexpr TcasResponse kTcasFlownResponse{0.0, 0.25 * kStandardGravity,
                                                 1500 * units::kMetresPerSecondPerFootPerMinute};

// How far (metres, up positive) the own-ship climbing at `ownRate` (m/s) is off its straight
// path `seconds` from now when it answers an RA of `sense` as `response` says.
double ResponseDeparture(double ownRate, TcasSense sense, const TcasResponse& response,
                         double seconds);

// The vertical separation (metres) against `threat` at its closest approach (now, once the range
// no longer closes) when the own-ship answers an RA of `sense`: positive on the side the sense
// takes it to, above the intruder for a climb, below it for a descent.
double SeparationAgainst(const TcasThreat& threat, double ownRate, TcasSense sense,
                         const TcasResponse& response);

// The threats of an RA and what a sense must give against each.
struct TcasThreatSet {
    std::span<const TcasThreat> threats;
    double ownRate; // m/s, climbing positive
    double alim;    // metres, the separation each threat needs at its closest approach
    bool descendAllowed;
};

// The sense of a new RA against every threat: the one that gives ALIM against all of them; of
// two that do, the one that crosses no threat's altitude (the booklet avoids crossing RAs that
// are not needed), else the one with the larger least separation; where neither does, the one
// that gives the more separation against the most urgent threat (the smallest tau). Climb where
// the ground forbids a descent.
TcasSense ChooseSense(const TcasThreatSet& set);

// Whether an RA of `standing` sense that is being flown turns round: it no longer gives ALIM
// against every threat, the other sense (answered as a reversal) does, and every threat it fails
// is still before its closest approach. Never into a descent the ground forbids.
bool ShouldReverse(const TcasThreatSet& set, TcasSense standing);
