#include "aviation/TcasSenseChoice.h"

#include <algorithm>
#include <cmath>

namespace {
TcasSense Other(TcasSense sense) {
    return sense == TcasSense::Climb ? TcasSense::Descend : TcasSense::Climb;
}

// Whether the own-ship must pass through the intruder's altitude to go that way.
bool Crosses(const TcasThreat& threat, TcasSense sense) {
    return sense == TcasSense::Climb ? threat.altitude > 0 : threat.altitude < 0;
}

bool CrossesAny(const TcasThreatSet& set, TcasSense sense) {
    return std::any_of(set.threats.begin(), set.threats.end(),
                       [sense](const TcasThreat& t) { return Crosses(t, sense); });
}

// The least separation the sense gives against the threats (infinite without any).
double LeastSeparation(const TcasThreatSet& set, TcasSense sense, const TcasResponse& response) {
    double least = INFINITY;
    for (const TcasThreat& threat : set.threats) {
        least = std::fmin(least, SeparationAgainst(threat, set.ownRate, sense, response));
    }
    return least;
}

const TcasThreat* MostUrgent(std::span<const TcasThreat> threats) {
    const TcasThreat* urgent = nullptr;
    for (const TcasThreat& threat : threats) {
        if (urgent == nullptr || threat.tau < urgent->tau ||
            (threat.tau == urgent->tau && threat.timeToClosest < urgent->timeToClosest)) {
            urgent = &threat;
        }
    }
    return urgent;
}
} // namespace

double ResponseDeparture(double ownRate, TcasSense sense, const TcasResponse& response,
                         double seconds) {
    const double target = sense == TcasSense::Climb ? std::fmax(ownRate, response.rate)
                                                    : std::fmin(ownRate, -response.rate);
    const double change = target - ownRate;
    const double moving = seconds - response.delay;
    if (moving <= 0 || change == 0) {
        return 0;
    }
    const double accelerating = std::fabs(change) / response.acceleration;
    const double sign = change > 0 ? 1.0 : -1.0;
    if (moving <= accelerating) {
        return sign * 0.5 * response.acceleration * moving * moving;
    }
    return change * (moving - 0.5 * accelerating);
}

double SeparationAgainst(const TcasThreat& threat, double ownRate, TcasSense sense,
                         const TcasResponse& response) {
    const double t = threat.timeToClosest;
    const double intruderAbove = threat.altitude + threat.altitudeRate * t;
    const double departure = ResponseDeparture(ownRate, sense, response, t);
    return sense == TcasSense::Climb ? departure - intruderAbove : intruderAbove - departure;
}

TcasSense ChooseSense(const TcasThreatSet& set) {
    if (!set.descendAllowed) {
        return TcasSense::Climb;
    }
    const double climb = LeastSeparation(set, TcasSense::Climb, kTcasNewResponse);
    const double descend = LeastSeparation(set, TcasSense::Descend, kTcasNewResponse);
    const bool climbClears = climb >= set.alim;
    const bool descendClears = descend >= set.alim;
    if (climbClears != descendClears) {
        return climbClears ? TcasSense::Climb : TcasSense::Descend;
    }
    if (climbClears) {
        const bool climbCrosses = CrossesAny(set, TcasSense::Climb);
        if (climbCrosses != CrossesAny(set, TcasSense::Descend)) {
            return climbCrosses ? TcasSense::Descend : TcasSense::Climb;
        }
        return descend > climb ? TcasSense::Descend : TcasSense::Climb;
    }
    const TcasThreat* urgent = MostUrgent(set.threats);
    if (urgent == nullptr) {
        return TcasSense::Climb;
    }
    const double up = SeparationAgainst(*urgent, set.ownRate, TcasSense::Climb, kTcasNewResponse);
    const double down =
        SeparationAgainst(*urgent, set.ownRate, TcasSense::Descend, kTcasNewResponse);
    return down > up ? TcasSense::Descend : TcasSense::Climb;
}

bool ShouldReverse(const TcasThreatSet& set, TcasSense standing) {
    const TcasSense other = Other(standing);
    if (other == TcasSense::Descend && !set.descendAllowed) {
        return false;
    }
    bool fails = false;
    for (const TcasThreat& threat : set.threats) {
        if (SeparationAgainst(threat, set.ownRate, standing, kTcasFlownResponse) >= set.alim) {
            continue;
        }
        if (threat.timeToClosest <= 0) {
            return false; // past its closest approach: turning round no longer helps
        }
        fails = true;
    }
    return fails && LeastSeparation(set, other, kTcasReversalResponse) >= set.alim;
}
