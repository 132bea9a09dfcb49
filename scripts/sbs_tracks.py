#!/usr/bin/env python3
"""Aircraft on known straight tracks, as a receiver's BaseStation log tells of them.

Each aircraft flies a great circle on a sphere at a constant ground speed and vertical rate;
the log has its position (MSG,3) twice a second, its speed, track and vertical rate (MSG,4)
once a second, each just before a position and its callsign (MSG,1) every five seconds, in the units and fields that
`trafficlog record` and `convert` read (feet, knots, feet per minute, degrees).
`position(track, seconds)` says where an aircraft is any time after the log's start, so that a
test can tell where it is now.

Usage: scripts/sbs_tracks.py LOG [DURATION_SECONDS]   (default 600)
"""
import math
import sys
import time

EARTH_RADIUS = 6371000.0
FOOT = 0.3048
KNOT = 1852.0 / 3600.0
LOG_START = 1717228800  # 2024-06-01 08:00:00 UTC

# Around 50.45 N 0.01 E, the stand-in's and the bridge tests' own-ship start: callsign, address,
# latitude, longitude, track (degrees true), ground speed (kt), altitude (ft), vertical rate
# (ft/min).
TRACKS = [
    ("TST101", "4CA001", 50.30, -0.20, 45.0, 250.0, 12000.0, 0.0),
    ("TST202", "4CA002", 50.62, 0.30, 200.0, 180.0, 8000.0, -800.0),
    ("TST303", "4CA003", 50.45, 0.40, 270.0, 300.0, 20000.0, 0.0),
    ("TST404", "4CA004", 50.22, 0.10, 0.0, 140.0, 3000.0, 1000.0),
]


def along(lat, lon, bearing, distance):
    """The point `distance` metres from lat, lon along the great circle of `bearing`."""
    p1, l1, b = math.radians(lat), math.radians(lon), math.radians(bearing)
    d = distance / EARTH_RADIUS
    p2 = math.asin(math.sin(p1) * math.cos(d) + math.cos(p1) * math.sin(d) * math.cos(b))
    l2 = l1 + math.atan2(math.sin(b) * math.sin(d) * math.cos(p1),
                         math.cos(d) - math.sin(p1) * math.sin(p2))
    return math.degrees(p2), math.degrees(l2)


def bearing_between(lat1, lon1, lat2, lon2):
    p1, p2 = math.radians(lat1), math.radians(lat2)
    dl = math.radians(lon2 - lon1)
    y = math.sin(dl) * math.cos(p2)
    x = math.cos(p1) * math.sin(p2) - math.sin(p1) * math.cos(p2) * math.cos(dl)
    return math.degrees(math.atan2(y, x)) % 360.0


def position(track, seconds):
    """Latitude, longitude (degrees), height (metres) and current track of `track` at `seconds`
    after the log's start."""
    _, _, lat, lon, bearing, knots, feet, fpm = track
    distance = knots * KNOT * seconds
    lat2, lon2 = along(lat, lon, bearing, distance)
    ahead = along(lat, lon, bearing, distance + 1.0)
    return lat2, lon2, (feet + fpm * seconds / 60.0) * FOOT, bearing_between(lat2, lon2, *ahead)


def stamp(seconds):
    t = LOG_START + seconds
    whole = int(math.floor(t))
    return (time.strftime("%Y/%m/%d", time.gmtime(whole)),
            time.strftime("%H:%M:%S", time.gmtime(whole)) + ".%03d" % round((t - whole) * 1000))


def lines(duration):
    for step in range(int(duration * 2)):
        for index, track in enumerate(TRACKS):
            # The aircraft are heard a little apart, as a receiver hears them.
            seconds = step * 0.5 + index * 0.1
            date, clock = stamp(seconds)
            callsign, address, *_, knots, feet, fpm = track
            lat, lon, height, course = position(track, seconds)
            head = "MSG,%%d,1,1,%s,1,%s,%s,%s,%s," % (address, date, clock, date, clock)
            # The velocity before the position: an entry that a recorder closes between the two
            # would hold the aircraft's first position without its speed, and nothing can move
            # it on until the next publication. The test measures the moving on.
            if step % 2 == 0:
                yield (head % 4) + ",,%.1f,%.1f,,,%d,,0,0,0,0" % (knots, course, round(fpm))
            yield (head % 3) + ",%d,,,%.5f,%.5f,,,0,0,0,0" % (round(height / FOOT), lat, lon)
            if step % 10 == 0:
                yield (head % 1) + "%s,,,,,,,,,,," % callsign


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__.split("\n\n")[-1].strip())
    duration = float(sys.argv[2]) if len(sys.argv) == 3 else 600.0
    with open(sys.argv[1], "w") as log:
        for line in lines(duration):
            log.write(line + "\n")


if __name__ == "__main__":
    main()
