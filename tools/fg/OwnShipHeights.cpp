#include "tools/fg/OwnShipHeights.h"

OwnShipHeights HeightsOf(const GeodeticPosition& own, const FgOwnReadings& readings,
                         const AirportIndex* airports, double now) {
    OwnShipHeights heights{own.height, std::nullopt};
    const bool fresh = now - readings.at <= kOwnReadingsLifetime;
    // Between reads the altimeter's offset from the altitude (the weather) and the ground's
    // height under the own-ship change slowly; the altitude is FlightGear's latest.
    if (fresh && readings.pressureAltitude) {
        heights.pressureAltitude += *readings.pressureAltitude - readings.height;
    }
    if (fresh && readings.aboveGround) {
        heights.aboveGround = own.height - (readings.height - *readings.aboveGround);
    } else if (airports != nullptr) {
        if (const Airport* field =
                airports->Nearest(own.latitude, own.longitude, kAirportGroundReach)) {
            heights.aboveGround = own.height - field->elevation;
        }
    }
    return heights;
}
