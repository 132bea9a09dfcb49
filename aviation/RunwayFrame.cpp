#include "aviation/RunwayFrame.h"

#include <algorithm>
#include <cmath>

namespace {
// The longest runways are about 5.5 km: a point on one lies within this of one of its
// thresholds.
constexpr double kRunwaySearch = 6000.0;
// More runways than any airport has near one point.
constexpr int kMostRunwaysNear = 32;
} // namespace

RunwayFrame FrameOf(const Runway& runway, int end, double groundHeight) {
    RunwayFrame frame{};
    frame.threshold = ThresholdOf(runway, end, groundHeight);
    frame.heading = HeadingOf(runway, end);
    frame.behind = runway.ends[end].displacedThreshold;
    frame.length = LengthOf(runway) - frame.behind;
    frame.width = runway.width;
    frame.cosine = std::cos(frame.heading * kRadians);
    frame.sine = std::sin(frame.heading * kRadians);
    return frame;
}

RunwayPoint PointOf(const RunwayFrame& frame, const GeodeticPosition& position) {
    const LocalOffset offset = OffsetBetween(frame.threshold, position);
    return {offset.north * frame.cosine + offset.east * frame.sine,
            -offset.north * frame.sine + offset.east * frame.cosine, offset.up};
}

GeodeticPosition PositionOf(const RunwayFrame& frame, const RunwayPoint& point) {
    return Displaced(frame.threshold,
                     {point.along * frame.cosine - point.across * frame.sine,
                      point.along * frame.sine + point.across * frame.cosine, point.up});
}

double AngleOff(double track, double heading) {
    return std::remainder(track - heading, 360.0);
}

bool IsOverRunway(const RunwayFrame& frame, const RunwayPoint& point) {
    return point.along >= -frame.behind - kRunwayEdgeMargin &&
           point.along <= frame.length + kRunwayEdgeMargin &&
           std::fabs(point.across) <= frame.width / 2 + kRunwayEdgeMargin;
}

bool RunwayUnder(const AirportIndex& airports, const GeodeticPosition& position, double track,
                 RunwayEndRef& found) {
    const Runway* near[kMostRunwaysNear];
    const int count =
        std::min(airports.RunwaysNear(position.latitude, position.longitude, kRunwaySearch, near),
                 kMostRunwaysNear);
    for (int i = 0; i < count; ++i) {
        for (int end = 0; end < 2; ++end) {
            const RunwayFrame frame = FrameOf(*near[i], end, 0);
            if (std::fabs(AngleOff(track, frame.heading)) <= kLinedUpDegrees &&
                IsOverRunway(frame, PointOf(frame, {position.latitude, position.longitude, 0}))) {
                found = {near[i], end};
                return true;
            }
        }
    }
    return false;
}
