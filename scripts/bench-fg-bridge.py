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
time.sleep(0.5)
a, f = 6378137.0, 1/298.257223563
e2 = f*(2-f)
def ecef(lat, lon, h):
    p, l = math.radians(lat), math.radians(lon)
    n = a/math.sqrt(1-e2*math.sin(p)**2)
    return ((n+h)*math.cos(p)*math.cos(l), (n+h)*math.cos(p)*math.sin(l), (n*(1-e2)+h)*math.sin(p))
def own_msg(t):
    x, y, z = ecef(50.45, 0.01, 914.4)
    hdr = struct.pack('>IIIIII8s', 0x46474653, 0x00010001, 7, 232, 100, 0, b'OWN')
    body = struct.pack('>96sdd3d3f3f3f3f3fI', b'Aircraft/ufo/Models/ufo.xml', t, 0.1, x, y, z, 0,0,0, 0,0,0, 0,0,0, 0,0,0, 0,0,0, 0)
    return hdr + body
fd = os.open('/dev/shm/' + name, os.O_RDWR)
m = mmap.mmap(fd, 13544)
def publish(k):
    for i in range(49):
        off = 208 + 80*i
        lat = 50.2 + (i % 7) * 0.08 + k * 0.002
        lon = -0.3 + (i // 7) * 0.1
        m[off:off+80] = struct.pack('<12sidddddddiB3x', ('AC%02d' % i).encode(), 0x400000+i, lat, lon, 3000.0, 3000.0, 0.0, 0.0, 200.0, 1000+10*k, 0)
    struct.pack_into('<i', m, 192, 49)
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
