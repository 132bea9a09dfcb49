#include "aviation/FinalCapture.h"

#include <algorithm>
#include <cmath>

namespace {
// More runways than any airport has within the final's range.
constexpr int kMostRunwaysNear = 32;
} // namespace

bool IsOnFinal(const Runway& runway, int end, double elevation, const TrafficFix& fix) {
    const RunwayFrame frame = FrameOf(runway, end, elevation);
    const RunwayPoint point = PointOf(frame, fix.position);
    // Past the threshold it is still on final while it is over the runway and coming down.
    return fix.verticalRate < -kFinalLeastDescent && point.up < kFinalHeight &&
           std::hypot(point.along, point.across) <= kFinalRange && point.along <= frame.length &&
           std::fabs(point.across) <= kFinalOffset &&
           std::fabs(AngleOff(fix.track, frame.heading)) <= kFinalDegrees;
}

bool CaptureFinal(const AirportIndex& airports, const TrafficFix& fix, RunwayEndRef& captured) {
    const Runway* near[kMostRunwaysNear];
    const int count = std::min(
        airports.RunwaysNear(fix.position.latitude, fix.position.longitude, kFinalRange, near),
        kMostRunwaysNear);
    double best = kFinalOffset;
    bool found = false;
    for (int i = 0; i < count; ++i) {
        const double elevation = airports.AirportOf(*near[i]).elevation;
        for (int end = 0; end < 2; ++end) {
            if (!IsOnFinal(*near[i], end, elevation, fix)) {
                continue;
            }
            const double across =
                std::fabs(PointOf(FrameOf(*near[i], end, elevation), fix.position).across);
            if (across <= best) {
                best = across;
                captured = {near[i], end};
                found = true;
            }
        }
    }
    return found;
}
