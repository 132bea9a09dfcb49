#!/usr/bin/env python3
"""Traffic at an airport in the real FlightGear: FlightGear at Honolulu (PHNL, whose terrain and
ground network its base package has) under Xvfb, corvane-fg as the simulator's side of the block,
and this script as the feeder, writing three aircraft into the block every 10 s:

  LAND1  a Fokker 50 on final to 26R whose records stop at 300 ft above the field: it must touch
         down in the first third of the runway, within a quarter of its width of the centre line,
         at FlightGear's ground height there (+-1 m), and never go below that ground;
  FOK2   a Fokker 50 further out on the same final, still reported: FlightGear must show its
         gear/gear[0]/position-norm at 1;
  TAXI3  a 737 taxiing 10 m beside a taxiway arc of FlightGear's ground network: FlightGear must
         show it within 5 m of an arc all along.

Everything is read back through FlightGear's HTTP interface (positions, gear) and its property
server (the ground's height, Nasal's geodinfo). Prints each measurement, then PASSED or FAILED
with the reason; a FlightGear that does not start or stops answering is said as such.

  scripts/test-flightgear-airport.py [build/bin]
"""
import gzip, json, shutil, math, mmap, os, random, re, signal, socket, struct, subprocess, sys, tempfile
import time, urllib.request

BIN = sys.argv[1] if len(sys.argv) > 1 else 'build/bin'
FGFS = os.environ.get('FGFS', '/usr/games/fgfs')
FG_ROOT = os.environ.get('FG_ROOT', '/usr/share/games/flightgear')
GROUNDNET = FG_ROOT + '/Scenery/Airports/P/H/N/PHNL.groundnet.xml'
FT = 0.3048
A, F = 6378137.0, 1 / 298.257223563
E2 = F * (2 - F)

work = tempfile.mkdtemp(prefix='fg-airport-')
block_name = 'CorvaneFgAirport%d' % os.getpid()
procs = []
failures = []


def say(text):
    print(text, flush=True)


def finish(code):
    for p in reversed(procs):
        try:
            os.killpg(p.pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    for p in procs:
        try:
            p.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(p.pid, signal.SIGKILL)
    if code != 0:
        for name in ('bridge.log', 'fgfs.log'):
            say('--- %s (last 25 lines)' % name)
            try:
                say(''.join(open(os.path.join(work, name)).readlines()[-25:]))
            except OSError:
                pass
    try:
        os.unlink('/dev/shm/' + block_name)
    except OSError:
        pass
    shutil.rmtree(work, ignore_errors=True)
    sys.exit(code)


def fail(text):
    say('FAILED: ' + text)
    finish(1)


# --- PHNL's runway 08L/26R (apt.dat) and its ground network -----------------------------------

def runway_26r():
    """26R's threshold (displaced where it is), the other end, and the width."""
    with gzip.open(FG_ROOT + '/Airports/apt.dat.gz', 'rt', errors='replace') as f:
        inside = False
        for line in f:
            p = line.split()
            if not p:
                continue
            if p[0] in ('1', '16', '17'):
                if inside:
                    break
                inside = len(p) > 4 and p[4] == 'PHNL'
            elif inside and p[0] == '100':
                width = float(p[1])
                ends = [(p[8], float(p[9]), float(p[10]), float(p[11])),
                        (p[17], float(p[18]), float(p[19]), float(p[20]))]
                for i, end in enumerate(ends):
                    if end[0] == '26R':
                        other = ends[1 - i]
                        return end, other, width
    fail('apt.dat has no runway 26R at PHNL')


def to_local(lat0, lon0):
    mlat, mlon = 111132.9, 111320.0 * math.cos(math.radians(lat0))
    return (lambda lat, lon: ((lon - lon0) * mlon, (lat - lat0) * mlat),
            lambda e, n: (lat0 + n / mlat, lon0 + e / mlon))


def parse_angle(text):
    m = re.match(r'([NSEW])(\d+) ([\d.]+)', text)
    value = int(m.group(2)) + float(m.group(3)) / 60
    return -value if m.group(1) in 'SW' else value


def taxiway_arcs():
    text = open(GROUNDNET).read()
    points = {}
    for m in re.finditer(r'<(Parking|node)\b([^>]*)>', text):
        attrs = dict(re.findall(r'(\w+)="([^"]*)"', m.group(2)))
        points[attrs['index']] = (parse_angle(attrs['lat']), parse_angle(attrs['lon']),
                                  attrs.get('isOnRunway', '0') == '1')
    arcs = []
    for m in re.finditer(r'<arc\b([^>]*)>', text):
        attrs = dict(re.findall(r'(\w+)="([^"]*)"', m.group(1)))
        if attrs['begin'] in points and attrs['end'] in points:
            arcs.append((points[attrs['begin']], points[attrs['end']],
                         attrs.get('isPushBackRoute', '0') == '1'))
    return arcs


def distance_to_segment(p, a, b):
    dx, dy = b[0] - a[0], b[1] - a[1]
    length2 = dx * dx + dy * dy
    t = 0 if length2 == 0 else max(0, min(1, ((p[0] - a[0]) * dx + (p[1] - a[1]) * dy) / length2))
    return math.hypot(p[0] - a[0] - t * dx, p[1] - a[1] - t * dy)


# --- FlightGear ------------------------------------------------------------------------------

def http_json(path):
    with urllib.request.urlopen('http://127.0.0.1:%d/json%s' % (http, path), timeout=5) as r:
        return json.load(r)


def child(node, name):
    for c in node.get('children', []):
        if c.get('name') == name and c.get('index', 0) == 0:
            return c
    return None


def value(node, path):
    for name in path.split('/'):
        m = re.match(r'(\w[\w-]*)\[(\d+)\]$', name)
        if m:
            node = next((c for c in node.get('children', [])
                         if c['name'] == m.group(1) and c.get('index', 0) == int(m.group(2))), None)
        else:
            node = child(node, name)
        if node is None:
            return None
    return node.get('value')


def multiplayer():
    """Callsign -> the multiplayer aircraft's subtree."""
    shown = {}
    models = http_json('/ai/models?d=4')
    for c in models.get('children', []):
        if c.get('name') == 'multiplayer':
            cs = value(c, 'callsign')
            if cs:
                shown[cs] = c
    return shown


def ground_heights(points):
    """FlightGear's terrain (m above sea level) at each (lat, lon), None where none is loaded."""
    code = "var r = ''; foreach (var p; [%s]) { var g = geodinfo(p[0], p[1]); " \
           "r = r ~ ' ' ~ (g == nil ? 'nil' : sprintf('%%.3f', g[0])); } " \
           "setprop('/corvane-test/ground', r);" % ', '.join('[%.8f, %.8f]' % p for p in points)
    answer = b''
    try:
        with socket.create_connection(('127.0.0.1', telnet), timeout=10) as s:
            s.sendall(('data\r\nnasal\r\n%s\r\n##EOF##\r\nget /corvane-test/ground\r\n'
                       % code).encode())
            while len(answer.split()) < len(points):
                chunk = s.recv(4096)
                if not chunk:
                    break
                answer += chunk
    except OSError as e:
        say('the property server did not answer: %s' % e)
    words = answer.decode(errors='replace').split()[-len(points):]
    if len(words) < len(points) or any(not re.fullmatch(r'nil|-?[\d.]+', w) for w in words):
        say('the property server answered %r' % answer[-200:])
        return [None] * len(points)
    return [None if w == 'nil' else float(w) for w in words]


# --- the run ---------------------------------------------------------------------------------

end26, end08, width = runway_26r()
thr_lat, thr_lon = end26[1], end26[2]
local, geodetic = to_local(thr_lat, thr_lon)
far = local(end08[1], end08[2])
length_total = math.hypot(*far)
axis = (far[0] / length_total, far[1] / length_total)  # along 26R's landing direction
threshold_shift = end26[3]
length = length_total - threshold_shift
heading = math.degrees(math.atan2(axis[0], axis[1])) % 360


def runway_point(lat, lon):
    e, n = local(lat, lon)
    return e * axis[0] + n * axis[1] - threshold_shift, e * axis[1] - n * axis[0]


def on_runway(along, across, up):
    along += threshold_shift
    return geodetic(along * axis[0] + across * axis[1], along * axis[1] - across * axis[0]) + (up,)


undulation = float(subprocess.run([sys.executable, 'scripts/geoid_undulation.py', str(thr_lat),
                                   str(thr_lon)], capture_output=True, text=True).stdout.split()[0])
field = 13 * FT  # PHNL's elevation in apt.dat

# The taxiway: the longest arc off the runways, not a pushback route.
arcs = taxiway_arcs()
arcs_local = [(local(a[0], a[1]), local(b[0], b[1])) for a, b, _ in arcs]
taxi_a, taxi_b, _ = max((arc for arc in arcs if not arc[2] and not arc[0][2] and not arc[1][2]),
                        key=lambda arc: math.hypot(*[x - y for x, y in zip(local(*arc[0][:2]),
                                                                           local(*arc[1][:2]))]))
ta, tb = local(*taxi_a[:2]), local(*taxi_b[:2])
taxi_length = math.hypot(tb[0] - ta[0], tb[1] - ta[1])
taxi_dir = ((tb[0] - ta[0]) / taxi_length, (tb[1] - ta[1]) / taxi_length)
taxi_track = math.degrees(math.atan2(taxi_dir[0], taxi_dir[1])) % 360
say('26R: threshold %.6f %.6f, %.0f m long, %.0f m wide, heading %.1f; taxiway arc of %.0f m'
    % (thr_lat, thr_lon, length, width, heading, taxi_length))

GLIDE = math.tan(math.radians(3))
SPEED = 70.0
aim = 300.0
# LAND1's last record at 300 ft above the field, in publication 5 (FlightGear has drawn the
# others by then and answers again); two before it, 10 s apart.
last_along = aim - 300 * FT / GLIDE
LAST_RECORD = 5


def records(k):
    """The block's records of publication k (k = 0, 1, ...), for the moment it is written."""
    out = []

    def record(cs, address, lat, lon, msl, rate, track, speed, ground):
        return struct.pack('<12sidddddddiB3x', cs.encode(), address, lat, lon, msl + undulation,
                           msl, rate, track, speed, 1700000000 + 10 * k, ground)
    if LAST_RECORD - 2 <= k <= LAST_RECORD:
        along = last_along - SPEED * 10 * (LAST_RECORD - k)
        lat, lon, up = on_runway(along, 0, field + GLIDE * (aim - along))
        out.append(record('LAND1', 0xA00001, lat, lon, up, -SPEED * GLIDE, heading, SPEED, 0))
    along = -4.5 * 1852 + SPEED * 10 * k
    if along < -2 * 1852:
        lat, lon, up = on_runway(along, 0, field + GLIDE * (aim - along))
        out.append(record('FOK2', 0xA00002, lat, lon, up, -SPEED * GLIDE, heading, SPEED, 0))
    s = min(40 + 80 * k, taxi_length - 20)
    speed = 8.0 if s < taxi_length - 20 else 0.0
    e, n = ta[0] + taxi_dir[0] * s + taxi_dir[1] * 10, ta[1] + taxi_dir[1] * s - taxi_dir[0] * 10
    lat, lon = geodetic(e, n)
    out.append(record('TAXI3', 0xA00003, lat, lon, field, 0, taxi_track, speed, 1))
    return out


# Ports of this run alone; FlightGear takes no multiplayer port above 32767.
base = 20000 + random.randrange(12000)
http, telnet, mp_in, mp_out = base, base + 1, base + 2, base + 3
with open(os.path.join(work, 'aircraft.csv'), 'w') as f:
    f.write('icao24,registration,typecode,icaoaircrafttype,operator,operatoricao\n'
            'a00001,PH-FZA,F50,L2T,,\na00002,PH-FZB,F50,L2T,,\na00003,N738X,B738,L2J,,\n')

home = os.path.join(work, 'home')
os.mkdir(home)
# The own-ship hovers south-east of 26R's threshold, looking along the final, so that the scenery
# of the runway and the taxiways is loaded. Rendering is cut to the least (small window, no
# random objects, a low frame rate): under software rendering on a loaded machine FlightGear
# otherwise freezes within a minute.
own_lat, own_lon, _ = on_runway(-1500, -800, 0)
fg_args = [FGFS, '--aircraft=ufo', '--lat=%.6f' % own_lat, '--lon=%.6f' % own_lon,
           '--altitude=800', '--in-air', '--heading=%.0f' % heading, '--disable-terrasync',
           '--disable-sound', '--disable-splash-screen', '--disable-clouds', '--fog-fastest',
           '--geometry=320x240', '--timeofday=noon', '--httpd=%d' % http,
           '--telnet=%d' % telnet, '--allow-nasal-from-sockets',
           '--multiplay=in,10,127.0.0.1,%d' % mp_in, '--multiplay=out,10,127.0.0.1,%d' % mp_out,
           '--callsign=OWNSHIP', '--disable-ai-traffic',
           '--prop:/sim/rendering/random-vegetation=false',
           '--prop:/sim/rendering/random-buildings=false',
           '--prop:/sim/rendering/random-objects=false',
           '--prop:/sim/rendering/shaders/quality-level=0',
           '--prop:/sim/frame-rate-throttle-hz=8',
           '--prop:/sim/rendering/static-lod/aimp-range-mode-distance=true',
           '--prop:/sim/rendering/static-lod/aimp-detailed=20000']
say('=== FlightGear at PHNL on ports %d (HTTP), %d (property server)' % (http, telnet))
started = time.monotonic()
procs.append(subprocess.Popen(['xvfb-run', '-a', '-s', '-screen 0 640x480x24', 'dbus-run-session']
                              + fg_args, stdout=open(os.path.join(work, 'fgfs.log'), 'w'),
                              stderr=subprocess.STDOUT, env=dict(os.environ, HOME=home),
                              start_new_session=True))
procs.append(subprocess.Popen([os.path.join(BIN, 'corvane-fg'), '--name', block_name, '--listen',
                               str(mp_out), '--send', str(mp_in), '--log', '--aircraft-db',
                               os.path.join(work, 'aircraft.csv'), '--end-after-silence', '30'],
                              stdout=open(os.path.join(work, 'bridge.log'), 'w'),
                              stderr=subprocess.STDOUT, start_new_session=True))


def wait_for(seconds, test):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if test():
                return True
        except (OSError, ValueError):
            pass
        time.sleep(0.5)
    return False


if not wait_for(300, lambda: http_json('/position')):
    fail('FlightGear did not answer on its HTTP port within 300 s')
say('FlightGear answers after %.0f s' % (time.monotonic() - started))
if not wait_for(120, lambda: 'FlightGear found' in open(os.path.join(work, 'bridge.log')).read()):
    fail('no position message from FlightGear reached corvane-fg within 120 s')
if not wait_for(60, lambda: os.path.exists('/dev/shm/' + block_name)):
    fail('corvane-fg made no block')
terrain = ground_heights([on_runway(300, 0, 0)[:2]])[0]
say('FlightGear\'s ground at the aiming point: %s (None: its scenery not loaded yet), the '
    'field %.1f m above sea level' % (terrain, field))

block = mmap.mmap(os.open('/dev/shm/' + block_name, os.O_RDWR), 13544)


def publish(k):
    data = records(k)
    for i, r in enumerate(data):
        block[208 + 80 * i:208 + 80 * (i + 1)] = r
    struct.pack_into('<i', block, 192, len(data))
    struct.pack_into('<i', block, 196, struct.unpack_from('<i', block, 196)[0] + 1)


# Publications every 10 s; FlightGear sampled twice a second in between.
samples = {'LAND1': [], 'FOK2': [], 'TAXI3': []}
t0 = time.monotonic()
k = 0
last_answer = time.monotonic()
while time.monotonic() - t0 < 130:
    if time.monotonic() >= t0 + 10 * k and k <= 12:
        publish(k)
        k += 1
    try:
        shown = multiplayer()
        last_answer = time.monotonic()
    except (OSError, ValueError):
        if time.monotonic() - last_answer > 30:
            fail('FlightGear stopped answering %.0f s into the traffic (frozen?)'
                 % (last_answer - t0))
        continue
    t = time.monotonic() - t0
    for cs, node in shown.items():
        # An aircraft FlightGear has not placed yet stands at 0, 0.
        if cs in samples and value(node, 'position/latitude-deg'):
            samples[cs].append((t, value(node, 'position/latitude-deg'),
                                value(node, 'position/longitude-deg'),
                                value(node, 'position/altitude-ft'),
                                value(node, 'gear/gear[0]/position-norm'),
                                value(node, 'sim/model/path')))
    time.sleep(0.5)
say('samples: ' + ', '.join('%s %d' % (cs, len(s)) for cs, s in samples.items()))
if 'FG_SAMPLES' in os.environ:
    json.dump(samples, open(os.environ['FG_SAMPLES'], 'w'))

# LAND1: it touched down between its last sample in the air and its first on the ground (its
# lowest height); FlightGear, slow under software rendering, may answer only every few seconds.
land = [s for s in samples['LAND1'] if s[1] is not None and s[3] is not None]
if not land:
    fail('FlightGear never showed LAND1')
say('LAND1 drawn as %s' % land[-1][5])
lowest = min(s[3] for s in land) * FT
first = next(i for i, s in enumerate(land) if s[3] * FT <= lowest + 0.05)
touchdown = land[first]
along, across = runway_point(touchdown[1], touchdown[2])
before = runway_point(land[first - 1][1], land[first - 1][2])[0] if first > 0 else None
ground = ground_heights([(touchdown[1], touchdown[2])])[0]
say('LAND1 is on the ground %.1f s after its last record, %.0f m past the threshold (in the air '
    'at the sample before: %s m; the first third ends at %.0f m), %.1f m off the centre line (a '
    'quarter of the width: %.1f m), at %.2f m (FlightGear\'s ground there: %s m)'
    % (touchdown[0] - 10 * LAST_RECORD, along, None if before is None else round(before),
       length / 3, across, width / 4, touchdown[3] * FT, ground))
if not 0 <= along <= length / 3:
    failures.append('LAND1 was first seen on the ground %.0f m past the threshold' % along)
if abs(across) > width / 4:
    failures.append('LAND1 touched down %.1f m off the centre line' % across)
if ground is None:
    failures.append('FlightGear has no ground loaded at the touchdown')
else:
    if abs(touchdown[3] * FT - ground) > 1:
        failures.append('LAND1 touched down at %.2f m, the ground is at %.2f m'
                        % (touchdown[3] * FT, ground))
    if lowest < ground - 1:
        failures.append('LAND1 went down to %.2f m, below the ground at %.2f m' % (lowest, ground))

# FOK2: gear down on final.
gear = [s[4] for s in samples['FOK2'] if s[0] > 15 and s[4] is not None]
say('FOK2 drawn as %s, gear[0] position-norm %s' % (
    samples['FOK2'][-1][5] if samples['FOK2'] else None, sorted(set(gear))))
if not gear or min(gear) < 0.999:
    failures.append('FOK2 on final shows gear[0]/position-norm %s, not 1' % sorted(set(gear)))

# TAXI3: on a taxiway arc all along, once its first fix has been blended in.
taxi = [s for s in samples['TAXI3'] if s[0] > 3 and s[1] is not None]
off = [min(distance_to_segment(local(s[1], s[2]), a, b) for a, b in arcs_local) for s in taxi]
if not off:
    failures.append('FlightGear never showed TAXI3')
else:
    say('TAXI3 (records 10 m beside the arc): at most %.2f m from a taxiway arc over %d samples'
        % (max(off), len(off)))
    if max(off) > 5:
        failures.append('TAXI3 strayed %.1f m from the taxiways' % max(off))

if failures:
    fail('; '.join(failures))
say('PASSED')
finish(0)
