#!/usr/bin/env python3
"""Writes a state-vector CSV in the layout of the published OpenSky hour files, for measuring
`trafficlog convert` where no real file can be downloaded: one snapshot every 10 s for an hour,
a few thousand aircraft worldwide in each, with the published columns and number forms (some
without a position, some on the ground, some stale, empty callsigns).

    scripts/make-opensky-csv.py OUT.csv [AIRCRAFT] [SNAPSHOTS]     (defaults 8000 and 360)
"""
import math
import random
import sys


def main():
    out = sys.argv[1]
    aircraft = int(sys.argv[2]) if len(sys.argv) > 2 else 8000
    snapshots = int(sys.argv[3]) if len(sys.argv) > 3 else 360
    rng = random.Random(20220627)
    start = 1656331200  # 2022-06-27 12:00:00 UTC
    planes = []
    for i in range(aircraft):
        planes.append({
            "icao": "%06x" % rng.randrange(0x100000, 0xffffff),
            "callsign": ("%s%d" % (rng.choice(["DLH", "RYR", "BAW", "AFR", "UAL", "SWA", "EZY"]),
                                   rng.randrange(1, 9999))).ljust(8) if rng.random() > 0.05 else "",
            "lat": rng.uniform(-60, 70), "lon": rng.uniform(-180, 180),
            "alt": rng.uniform(300, 12500), "speed": rng.uniform(60, 280),
            "heading": rng.uniform(0, 360), "rate": rng.choice([0.0, 0.0, 0.0, -6.5, 7.8]),
            "ground": rng.random() < 0.04, "squawk": "%04d" % rng.randrange(0, 7777),
            "nopos": rng.random() < 0.02,
        })
    with open(out, "w") as f:
        f.write("time,icao24,lat,lon,velocity,heading,vertrate,callsign,onground,alert,spi,"
                "squawk,baroaltitude,geoaltitude,lastposupdate,lastcontact\n")
        for s in range(snapshots):
            t = start + 10 * s
            rows = []
            for p in planes:
                step = p["speed"] * 10 / 111320.0
                p["lat"] = max(-85.0, min(85.0, p["lat"] + step * math.cos(math.radians(p["heading"]))))
                p["lon"] = (p["lon"] + step * math.sin(math.radians(p["heading"])) + 540) % 360 - 180
                contact = t - rng.random() * (30 if rng.random() < 0.03 else 3)
                if p["nopos"]:
                    lat = lon = lastpos = ""
                else:
                    lat, lon = "%.6f" % p["lat"], "%.6f" % p["lon"]
                    lastpos = "%.3f" % (contact - rng.random())
                baro = "%.2f" % p["alt"]
                rows.append("%d,%s,%s,%s,%.2f,%.2f,%.2f,%s,%s,False,False,%s,%s,%s,%s,%.3f\n" % (
                    t, p["icao"], lat, lon, p["speed"], p["heading"], p["rate"], p["callsign"],
                    "True" if p["ground"] else "False", p["squawk"], baro,
                    "%.2f" % (p["alt"] + 60), lastpos, contact))
            f.write("".join(rows))


if __name__ == "__main__":
    main()
