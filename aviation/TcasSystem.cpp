#include "aviation/TcasSystem.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kFt = units::kMetresPerFoot;

bool InEncounter(const TcasAdvisory& advisory) {
    return advisory.kind == TcasAdvisoryKind::Resolution ||
           advisory.kind == TcasAdvisoryKind::ClearOfConflict;
}

bool IsThreat(const TcasIntruderState& state) {
    return state.threat.level == TcasLevel::Resolution ||
           state.advisory.kind == TcasAdvisoryKind::Resolution;
}

// How strong a request is: a reversal over an RA over the end of one over a TA. Clear of
// conflict stands above a TA so that it is said when the last RA ends, whatever TAs stand.
int Strength(const TcasAdvisory& advisory) {
    switch (advisory.kind) {
    case TcasAdvisoryKind::None:
        return 0;
    case TcasAdvisoryKind::Traffic:
        return 1;
    case TcasAdvisoryKind::ClearOfConflict:
        return 2;
    case TcasAdvisoryKind::Resolution:
        return advisory.reversed ? 4 : 3;
    }
    return 0;
}

bool SameRequest(const TcasAdvisory& a, const TcasAdvisory& b) {
    return a.kind == b.kind && (a.kind != TcasAdvisoryKind::Resolution ||
                                (a.sense == b.sense && a.reversed == b.reversed));
}
} // namespace

void TcasInhibit::Update(std::optional<double> aboveGround) {
    if (!aboveGround) {
        active = false;
    } else if (*aboveGround < belowFt * kFt) {
        active = true;
    } else if (*aboveGround >= (belowFt + kTcasInhibitHysteresisFt) * kFt) {
        active = false;
    }
}

void TcasSystem::Step(const TcasOwnShip& own, std::span<const TcasIntruder> intruders, double now) {
    aboveGround =
        own.aboveGround && std::isfinite(*own.aboveGround) ? own.aboveGround : std::nullopt;
    taOnly.Update(aboveGround);
    noDescend.Update(aboveGround);
    silent.Update(aboveGround);
    const double height = own.aircraft.position.height;
    thresholds =
        aboveGround ? ThresholdsFor(height, *aboveGround, taOnly.active) : ThresholdsFor(height);
    if (std::none_of(states.begin(), states.end(),
                     [](const TcasIntruderState& s) { return InEncounter(s.advisory); })) {
        multi = false;
        multiReversed = false;
    }
    Gather(own, intruders);
    if (multi) {
        SteerMultiThreat(own.aircraft.up);
    } else if (std::count_if(states.begin(), states.end(), IsThreat) >= 2) {
        EnterMultiThreat(own.aircraft.up);
    }
    AdvanceEach(now);
    std::erase_if(states, [](const TcasIntruderState& s) {
        return s.advisory.kind == TcasAdvisoryKind::None;
    });
    ChooseVoice();
}

TcasThreat TcasSystem::Assess(const TcasOwnShip& own, const TcasIntruder& intruder) const {
    if (intruder.saysOnGround) {
        return {};
    }
    if (!intruder.reportsAltitude) {
        return AssessByRange(own.aircraft, intruder.aircraft, thresholds);
    }
    if (aboveGround && *aboveGround < kTcasGroundLogicBelowFt * kFt) {
        const double ground = own.aircraft.position.height - *aboveGround;
        if (intruder.aircraft.position.height - ground < kTcasOnGroundBelowFt * kFt) {
            return {};
        }
    }
    return AssessIntruder(own.aircraft, intruder.aircraft, thresholds);
}

// Each intruder to its state; an intruder with no advisory and no state gets none. The states
// come in the order of the intruders, so that the next one is mostly found where the last ended.
void TcasSystem::Gather(const TcasOwnShip& own, std::span<const TcasIntruder> intruders) {
    for (TcasIntruderState& state : states) {
        state.seen = false;
        state.threat = {};
    }
    std::size_t hint = 0;
    for (const TcasIntruder& intruder : intruders) {
        const TcasThreat threat = Assess(own, intruder);
        int index = Find(intruder.id, hint);
        if (index < 0) {
            if (threat.level == TcasLevel::None) {
                continue;
            }
            states.push_back({intruder.id, {}, {}});
            index = static_cast<int>(states.size()) - 1;
        }
        states[index].threat = threat;
        states[index].seen = true;
        hint = static_cast<std::size_t>(index) + 1;
    }
}

int TcasSystem::Find(std::uint64_t id, std::size_t hint) const {
    if (hint < states.size() && states[hint].id == id) {
        return static_cast<int>(hint);
    }
    for (std::size_t i = 0; i < states.size(); ++i) {
        if (states[i].id == id) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The encounter turns multi-threat: an RA that stands keeps its sense unless it must turn
// round; otherwise one sense is chosen against all the threats.
void TcasSystem::EnterMultiThreat(double ownRate) {
    multi = true;
    const TcasIntruderState* standing = nullptr;
    for (const TcasIntruderState& state : states) {
        if (InEncounter(state.advisory)) {
            multiReversed = multiReversed || state.advisory.reversalTaken;
            if (standing == nullptr || state.advisory.kind == TcasAdvisoryKind::Resolution) {
                standing = &state;
            }
        }
    }
    if (standing != nullptr) {
        multiSense = standing->advisory.sense;
        SteerMultiThreat(ownRate);
        return;
    }
    multiSense = ChooseSense(Threats(ownRate));
}

// Once per encounter the sense turns round where the other one clears every threat and this one
// does not; at once where the ground forbids the descent it points to.
void TcasSystem::SteerMultiThreat(double ownRate) {
    if (multiSense == TcasSense::Descend && noDescend.active) {
        multiSense = TcasSense::Climb;
        multiReversed = true;
        return;
    }
    if (!multiReversed && ShouldReverse(Threats(ownRate), multiSense)) {
        multiSense = multiSense == TcasSense::Climb ? TcasSense::Descend : TcasSense::Climb;
        multiReversed = true;
    }
}

// The threats of this cycle's RA, as they stand now.
TcasThreatSet TcasSystem::Threats(double ownRate) {
    raThreats.clear();
    for (const TcasIntruderState& state : states) {
        if (state.seen && IsThreat(state)) {
            raThreats.push_back(state.threat);
        }
    }
    return {raThreats, ownRate, thresholds.alim, !noDescend.active};
}

void TcasSystem::AdvanceEach(double now) {
    for (TcasIntruderState& state : states) {
        const bool standing = InEncounter(state.advisory);
        if (multi) {
            state.advisory = Advance(state.advisory, state.threat.level, multiSense,
                                     standing && state.advisory.sense != multiSense, now);
            continue;
        }
        TcasThreat threat = state.threat;
        if (!noDescend.active || threat.level != TcasLevel::Resolution) {
            state.advisory = NextAdvisory(state.advisory, threat, now);
            continue;
        }
        // Near the ground the RA climbs, and a descent that stands turns round.
        threat.sense = TcasSense::Climb;
        state.advisory = standing && state.advisory.sense == TcasSense::Descend
                             ? Advance(state.advisory, threat.level, TcasSense::Climb, true, now)
                             : NextAdvisory(state.advisory, threat, now);
    }
}

// The strongest advisory speaks. Once clear of conflict has been said it stands, silent, while
// only TAs already heard remain, so that they are not announced again. Below the aural inhibit
// nothing is said, and what stood there stays unsaid until it changes.
void TcasSystem::ChooseVoice() {
    TcasAdvisory next;
    for (const TcasIntruderState& state : states) {
        if (Strength(state.advisory) > Strength(next)) {
            next = state.advisory;
        }
    }
    const bool onlyHeardTraffic =
        std::all_of(states.begin(), states.end(), [](const TcasIntruderState& s) {
            return s.advisory.kind != TcasAdvisoryKind::Traffic || s.heard;
        });
    if (!(next.kind == TcasAdvisoryKind::Traffic &&
          voice.kind == TcasAdvisoryKind::ClearOfConflict && onlyHeardTraffic)) {
        voice = next;
    }
    spoken = voice;
    if (silent.active) {
        muted = voice.kind != TcasAdvisoryKind::None ? std::optional(voice) : std::nullopt;
        spoken = {};
    } else if (muted && SameRequest(*muted, voice)) {
        spoken = {};
    } else {
        muted.reset();
    }
    if (spoken.kind != TcasAdvisoryKind::None) {
        for (TcasIntruderState& state : states) {
            state.heard = true;
        }
    }
}
