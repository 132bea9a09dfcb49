#!/usr/bin/env python3
"""FlightGear's side of the live chain, for the end-to-end test: sends the bridge an own-ship
position ten times a second, takes the multiplayer position messages the bridge sends back and
compares each aircraft with where its known track (scripts/sbs_tracks.py) puts it at the moment
the message comes. The served log's clock is learnt from the feed itself: one message read from
`trafficlog serve` says how far its times were moved.

Usage: live_flightgear_side.py SERVE_PORT BRIDGE_PORT TRAFFIC_PORT SECONDS
Prints per aircraft when it first appeared (after the first message served), the messages
taken and the largest and mean distance from its track; exits 1 when an aircraft never
appeared, appeared later than 25 s after the first message, or was shown more than 300 m from
where it is.
"""
import calendar
import math
import socket
import struct
import sys
import time

import sbs_tracks

FIRST_WITHIN = 25.0
LARGEST_ERROR = 300.0
OWN = (50.45, 0.01, 914.4)
A, F = 6378137.0, 1 / 298.257223563
E2 = F * (2 - F)


def ecef(lat, lon, h):
    p, l = math.radians(lat), math.radians(lon)
    n = A / math.sqrt(1 - E2 * math.sin(p) ** 2)
    return ((n + h) * math.cos(p) * math.cos(l), (n + h) * math.cos(p) * math.sin(l),
            (n * (1 - E2) + h) * math.sin(p))


def own_message(now):
    x, y, z = ecef(*OWN)
    head = struct.pack('>IIIIII8s', 0x46474653, 0x00010001, 7, 232, 100, 0, b'OWNSHIP')
    body = struct.pack('>96sdd3d3f3f3f3f3fI', b'Aircraft/ufo/Models/ufo.xml', now, 0.1, x, y, z,
                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0)
    return head + body


def log_clock_offset(port):
    """Wall time minus log time, from the first position message the server sends."""
    feed = socket.create_connection(('127.0.0.1', port), timeout=10)
    text = b''
    while b'\n' not in text.split(b'MSG,3,', 1)[-1] or b'MSG,3,' not in text:
        chunk = feed.recv(4096)
        if not chunk:
            sys.exit('FAILED: the server closed the feed before a position message')
        text += chunk
    feed.close()
    line = b'MSG,3,' + text.split(b'MSG,3,', 1)[1].split(b'\n', 1)[0]
    fields = line.decode().split(',')
    day, clock = fields[6], fields[7]
    whole, _, fraction = clock.partition('.')
    served = calendar.timegm(time.strptime(day + ' ' + whole, '%Y/%m/%d %H:%M:%S'))
    served += float('0.' + fraction) if fraction else 0.0
    track = next(t for t in sbs_tracks.TRACKS if t[1] == fields[4])
    index = sbs_tracks.TRACKS.index(track)
    for step in range(100000):
        seconds = step * 0.5 + index * 0.1
        lat, lon, _, _ = sbs_tracks.position(track, seconds)
        if '%.5f' % lat == fields[14] and '%.5f' % lon == fields[15]:
            return served - (sbs_tracks.LOG_START + seconds)
    sys.exit('FAILED: the served message %s is on no known track' % line)


def main():
    serve_port, bridge_port, traffic_port, seconds = (int(a) for a in sys.argv[1:5])
    offset = log_clock_offset(serve_port)
    first_served = sbs_tracks.LOG_START + offset
    tracks = {t[0]: t for t in sbs_tracks.TRACKS}
    # Before its callsign is heard an aircraft goes by its address.
    names = dict({t[1]: t[0] for t in sbs_tracks.TRACKS}, **{t[0]: t[0] for t in sbs_tracks.TRACKS})
    listener = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    listener.bind(('127.0.0.1', traffic_port))
    listener.settimeout(0.02)
    sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    seen = {}
    end = time.monotonic() + seconds
    next_own = 0.0
    while time.monotonic() < end:
        if time.monotonic() >= next_own:
            sender.sendto(own_message(time.monotonic()), ('127.0.0.1', bridge_port))
            next_own = time.monotonic() + 0.1
        try:
            datagram = listener.recv(2048)
        except socket.timeout:
            continue
        now = time.time()
        callsign = names.get(datagram[24:32].split(b'\0')[0].decode())
        if callsign is None or len(datagram) < 168:
            continue
        shown = struct.unpack('>3d', datagram[144:168])
        lat, lon, height, _ = sbs_tracks.position(tracks[callsign], now - offset
                                                  - sbs_tracks.LOG_START)
        error = math.dist(shown, ecef(lat, lon, height))
        entry = seen.setdefault(callsign, {'first': now - first_served, 'errors': []})
        entry['errors'].append(error)
    failed = False
    for callsign in tracks:
        if callsign not in seen:
            print('%s: never shown' % callsign)
            failed = True
            continue
        entry = seen[callsign]
        errors = entry['errors']
        late = entry['first'] > FIRST_WITHIN
        far = max(errors) > LARGEST_ERROR
        failed = failed or late or far
        print('%s: first shown %.1f s after the first message served%s; %d messages, '
              'distance from its track: largest %.0f m%s, mean %.0f m'
              % (callsign, entry['first'], ' (too late)' if late else '', len(errors),
                 max(errors), ' (too far)' if far else '', sum(errors) / len(errors)))
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()
