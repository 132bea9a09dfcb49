#!/usr/bin/env python3
# Measures corvane-fg under the most traffic the block carries: stands in for FlightGear (its
# own-ship message ten times a second to the bridge) and for the feeder (a publication of 49
# aircraft into the block every 10 s), captures what the bridge sends, and prints the message
# rate, the intervals between two messages of one aircraft, and the bridge's share of one core.
# Usage: scripts/bench-fg-bridge.py BRIDGE [SECONDS]   (figures in docs/performance.md)
import socket, struct, time, os, subprocess, math, statistics, mmap, sys

def free_port():
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.bind(('127.0.0.1', 0))
    port = s.getsockname()[1]
    s.close()
    return port

L, C = free_port(), free_port()
name = 'FgMeasure%d' % os.getpid()
bridge = subprocess.Popen([sys.argv[1], '--name', name, '--listen', str(L), '--send', str(C), '--log'],
                          stdout=subprocess.DEVNULL, stderr=subprocess.STDOUT)
# The bridge makes the block once it has loaded its world (the airports index from the cache
# folder, or apt.dat read afresh).
for _ in range(600):
    if os.path.exists('/dev/shm/' + name):
        break
    time.sleep(0.1)
honolulu = len(sys.argv) > 3 and sys.argv[3] == 'honolulu'
own_at = (21.32, -157.92, 300.0) if honolulu else (50.45, 0.01, 914.4)
a, f = 6378137.0, 1/298.257223563
e2 = f*(2-f)
def ecef(lat, lon, h):
    p, l = math.radians(lat), math.radians(lon)
    n = a/math.sqrt(1-e2*math.sin(p)**2)
    return ((n+h)*math.cos(p)*math.cos(l), (n+h)*math.cos(p)*math.sin(l), (n*(1-e2)+h)*math.sin(p))
def own_msg(t):
    x, y, z = ecef(*own_at)
    hdr = struct.pack('>IIIIII8s', 0x46474653, 0x00010001, 7, 232, 100, 0, b'OWN')
    body = struct.pack('>96sdd3d3f3f3f3f3fI', b'Aircraft/ufo/Models/ufo.xml', t, 0.1, x, y, z, 0,0,0, 0,0,0, 0,0,0, 0,0,0, 0,0,0, 0)
    return hdr + body
fd = os.open('/dev/shm/' + name, os.O_RDWR)
m = mmap.mmap(fd, 13544)
def record(i, k, lat, lon, height, rate, track, speed, ground=0):
    return struct.pack('<12sidddddddiB3x', ('AC%02d' % i).encode(), 0x400000+i, lat, lon, height, height, rate, track, speed, 1000+10*k, ground)
# Honolulu: runway 26R's threshold, 08R's, and metres to degrees there.
R26, R08 = (21.325244, -157.907094), (21.306803, -157.945850)
MLAT, MLON = 1/110760.0, 1/(111320.0*math.cos(math.radians(21.32)))
def at_honolulu(i, k):
    t = 10*k; n = i % 10
    kind = i // 10
    if kind == 0:  # on final to 26R from the east, 1 to 8 NM out, on the 3 degree path
        along = -(1852*(2 + 0.7*n)) + 70*t
        return record(i, k, R26[0], R26[1] - along*MLON, 4 + 0.0524*(300 - along), -3.7, 270.0, 70.0)
    if kind == 1:  # rolling for take-off on 08R
        along = 200 + 150*n + 30*t
        return record(i, k, R08[0], R08[1] + along*MLON, 4.0, 0.0, 90.0, 30.0 + k)
    if kind == 2:  # climbing out beyond 08R
        along = 4500 + 800*n + 85*t
        return record(i, k, R08[0], R08[1] + along*MLON, 150 + 60*n + 10*t, 10.0, 90.0, 85.0)
    if kind == 3:  # taxiing west, north of 08L/26R
        return record(i, k, R26[0] + 120*MLAT, R26[1] - (400 + 300*n + 8*t)*MLON, 4.0, 0.0, 270.0, 8.0, 1)
    return record(i, k, R26[0] + 420*MLAT, R26[1] - (700 + 100*n)*MLON, 4.0, 0.0, 0.0, 0.0, 1)
def publish(k):
    count = 0
    for i in range(49):
        if honolulu:
            if k > 0 and i < 5:
                continue  # their records stopped on final: they land on their own
            data = at_honolulu(i, k)
        else:
            lat = 50.2 + (i % 7) * 0.08 + k * 0.002
            lon = -0.3 + (i // 7) * 0.1
            data = record(i, k, lat, lon, 3000.0, 0.0, 0.0, 200.0)
        m[208 + 80*count:208 + 80*count + 80] = data
        count += 1
    struct.pack_into('<i', m, 192, count)
    c = struct.unpack_from('<i', m, 196)[0]
    struct.pack_into('<i', m, 196, c+1)
cap = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
cap.bind(('127.0.0.1', C)); cap.setblocking(False)
snd = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
def cpu():
    s = open('/proc/%d/stat' % bridge.pid).read().split()
    return (int(s[13]) + int(s[14])) / os.sysconf('SC_CLK_TCK')
duration = float(sys.argv[2]) if len(sys.argv) > 2 else 60
start = time.monotonic(); arrivals = {}; k = 0; nextpub = start; nextown = start
cpu0 = None
while time.monotonic() - start < duration:
    now = time.monotonic()
    if now >= nextown:
        snd.sendto(own_msg(now), ('127.0.0.1', L)); nextown += 0.1
    if now >= nextpub:
        publish(k); k += 1; nextpub += 10
        if cpu0 is None: cpu0, t0 = cpu(), now
    try:
        while True:
            d, _ = cap.recvfrom(2048)
            cs = d[24:32].split(b'\0')[0].decode()
            arrivals.setdefault(cs, []).append(time.monotonic())
    except BlockingIOError:
        pass
    time.sleep(0.002)
cpu1, t1 = cpu(), time.monotonic()
bridge.terminate(); bridge.wait()
os.unlink('/dev/shm/' + name)
iv = [b - a for ts in arrivals.values() for a, b in zip(ts, ts[1:])]
total = sum(len(ts) for ts in arrivals.values())
print('aircraft %d, messages %d over %.0f s: %.2f per aircraft per s' % (len(arrivals), total, t1 - start, total / len(arrivals) / (t1 - start)))
print('interval mean %.1f ms, stdev %.1f ms, min %.1f ms, max %.1f ms, p99 %.1f ms' % (1000*statistics.mean(iv), 1000*statistics.pstdev(iv), 1000*min(iv), 1000*max(iv), 1000*sorted(iv)[int(0.99*len(iv))]))
print('bridge cpu %.2f s in %.1f s = %.2f %% of one core' % (cpu1 - cpu0, t1 - t0, 100*(cpu1-cpu0)/(t1-t0)))
print('load', open('/proc/loadavg').read().strip())
