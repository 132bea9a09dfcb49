#!/usr/bin/env python3
"""Writes a state-vector CSV in the layout of the published OpenSky hour files, for measuring
`trafficlog convert` where no real file can be downloaded: one snapshot every 10 s for an hour,
a few thousand aircraft worldwide in each, with the published columns and number forms (some
without a position, some on the ground, some stale, empty callsigns).

Numbers are written short (six decimals of a degree, centimetres, milliseconds) unless --full
asks for them as the archives hold them: every value at the full precision of a double, the
shortest text that reads back as the same double (15 to 17 significant digits), heights and
vertical rates in the feet and feet per minute they were measured in.

    scripts/make-opensky-csv.py OUT.csv [AIRCRAFT] [SNAPSHOTS] [--full]   (8000 and 360)
"""
import math
import random
import sys

FOOT = 0.3048            # m
FEET_PER_MINUTE = 0.00508  # m/s


def short_numbers(p, lat, lon, contact, lastpos):
    baro = "%.2f" % p["alt"]
    return {"lat": lat if lat is None else "%.6f" % lat,
            "lon": lon if lon is None else "%.6f" % lon,
            "velocity": "%.2f" % p["speed"], "heading": "%.2f" % p["heading"],
            "vertrate": "%.2f" % p["rate"], "baro": baro, "geo": "%.2f" % (p["alt"] + 60),
            "lastpos": lastpos if lastpos is None else "%.3f" % lastpos,
            "contact": "%.3f" % contact}


def full_numbers(p, lat, lon, contact, lastpos):
    # Barometric heights come in steps of 25 ft, vertical rates in steps of 64 ft/min.
    baro = round(p["alt"] / FOOT / 25) * 25 * FOOT
    rate = round(p["rate"] / FEET_PER_MINUTE / 64) * 64 * FEET_PER_MINUTE
    return {"lat": lat if lat is None else repr(lat), "lon": lon if lon is None else repr(lon),
            "velocity": repr(p["speed"]), "heading": repr(p["heading"]),
            "vertrate": repr(rate), "baro": repr(baro), "geo": repr(p["alt"] + 60),
            "lastpos": lastpos if lastpos is None else repr(lastpos), "contact": repr(contact)}


def main():
    args = [a for a in sys.argv[1:] if a != "--full"]
    numbers = full_numbers if "--full" in sys.argv[1:] else short_numbers
    out = args[0]
    aircraft = int(args[1]) if len(args) > 1 else 8000
    snapshots = int(args[2]) if len(args) > 2 else 360
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
                    n = numbers(p, None, None, contact, None)
                else:
                    n = numbers(p, p["lat"], p["lon"], contact, contact - rng.random())
                rows.append("%d,%s,%s,%s,%s,%s,%s,%s,%s,False,False,%s,%s,%s,%s,%s\n" % (
                    t, p["icao"], n["lat"] or "", n["lon"] or "", n["velocity"], n["heading"],
                    n["vertrate"], p["callsign"], "True" if p["ground"] else "False", p["squawk"],
                    n["baro"], n["geo"], n["lastpos"] or "", n["contact"]))
            f.write("".join(rows))


if __name__ == "__main__":
    main()
