#include "tools/fg/TrafficGround.h"

#include <cmath>

namespace {
double MetresBetween(double latitudeA, double longitudeA, double latitudeB, double longitudeB) {
    const LocalOffset offset =
        OffsetBetween({latitudeA, longitudeA, 0}, {latitudeB, longitudeB, 0});
    return std::hypot(offset.north, offset.east);
}
} // namespace

void TrafficGround::Take(const GroundReport& next, const Airport* field) {
    report = next;
    airport = field;
    Decide();
}

void TrafficGround::Decide() {
    if (airport == nullptr) {
        onGround = false;
        return;
    }
    height = GroundHeight(*airport, terrain);
    onGround = IsOnGround(report, airport, height);
}

void TrafficGround::AskWhenDue(const GeodeticPosition& at, double now, TerrainSource& source,
                               bool landing) {
    if (!landing && !MayStandOnGround(report, airport)) {
        return;
    }
    const double moved =
        answered ? MetresBetween(answerLatitude, answerLongitude, at.latitude, at.longitude) : 0;
    if (terrain && !(moved <= kTerrainKeptMetres)) {
        terrain.reset();
        Decide();
    }
    const bool due =
        !answered || !(moved < kTerrainAskAgainMetres) || (!terrain && now >= askAgainAt);
    if (ticket != 0 || !due) {
        return;
    }
    ticket = source.AskTerrain(at.latitude, at.longitude);
    askedLatitude = at.latitude;
    askedLongitude = at.longitude;
}

std::optional<double> TrafficGround::TerrainNear(double latitude, double longitude) const {
    const bool near =
        MetresBetween(answerLatitude, answerLongitude, latitude, longitude) <= kTerrainKeptMetres;
    return near ? terrain : std::nullopt;
}

bool TrafficGround::TakeAnswer(const TerrainAnswer& answer, double now) {
    if (ticket == 0 || answer.ticket != ticket) {
        return false;
    }
    ticket = 0;
    if (answer.result == TerrainResult::Unanswered) {
        return true; // asked again at the next tick, should the server be there
    }
    answered = true;
    answerLatitude = askedLatitude;
    answerLongitude = askedLongitude;
    askAgainAt = now + kNoSceneryAskAgainSeconds;
    if (answer.result == TerrainResult::Height) {
        terrain = answer.elevation;
    } else {
        terrain.reset();
    }
    Decide();
    return true;
}
