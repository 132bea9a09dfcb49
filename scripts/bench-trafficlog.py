#!/usr/bin/env python3
"""Measures the recording tools against what reading the same file costs at the least:
`trafficlog convert` (on two threads and on one) against `gzip -dc FILE > /dev/null`, and
`trafficlog scan` and `trafficlog check` against `wc -l` on the data file that convert wrote.

The input is one hour as OpenSky publishes it, made by scripts/make-opensky-csv.py and
compressed with `gzip -6`, with numbers written short; then a quarter of an hour with every number
at full precision (15 to 17 significant digits, as the archives hold them), on which convert is
measured again; with --big also a file of about 1 GB compressed (six hours, `gzip
-1`), of which only the peak memory of convert is taken. Each pair runs in turns after a
warm-up, the two commands one after the other, RUNS times (9 unless told), the first of the two
in every other turn: a shared machine's speed drifts from minute to minute by more than five
pairs outlast. The figures are medians of whole processes (user and system time as the system
accounts for each finished process), the ratios taken pair by pair. The peak resident set of
each command comes from one more run under /usr/bin/time. The files are deleted at the end.

A pair of single-threaded commands runs on one core, both of its commands on the same one (the
last the script may use, or --core): the virtual cores of a shared machine need not be equally
fast, and one process started after another tends to land on the other core, so that unpinned
pairs would compare the two cores as much as the two commands. convert on two threads and its
reference run where the system puts them.

    scripts/bench-trafficlog.py BUILD_DIR [--work DIR] [--runs N] [--big] [--core N]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))


class Run:
    def __init__(self, user, system, wall):
        self.user, self.system, self.wall = user, system, wall

    @property
    def cpu(self):
        return self.user + self.system


def run_once(command):
    """Runs the command to its end; its CPU times from the system's account."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        sys.exit("%s ended with %d" % (" ".join(command), code))
    return Run(usage.ru_utime, usage.ru_stime, wall)


def peak_kib(command):
    """The peak resident set of one run, as /usr/bin/time counts it (not this script's own,
    which a process started from here would carry until it runs the command)."""
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True, check=False)
    return int(result.stderr.strip().splitlines()[-1])


def pinned(core, command):
    return command if core is None else ["taskset", "-c", str(core)] + command


def pair(name, command, reference, runs, core=None):
    """RUNS pairs in turns after one warm-up pair, on the core given (or where the system puts
    them); prints medians and ratios pair by pair."""
    label = "  against " + os.path.basename(reference[0])
    command, reference = pinned(core, command), pinned(core, reference)
    run_once(command)
    run_once(reference)
    a, b = [], []
    for turn in range(runs):
        if turn % 2 == 0:
            a.append(run_once(command))
            b.append(run_once(reference))
        else:
            b.append(run_once(reference))
            a.append(run_once(command))
    median = statistics.median
    cpu_ratio = median(x.cpu / y.cpu for x, y in zip(a, b))
    wall_ratio = median(x.wall / y.wall for x, y in zip(a, b))
    print("%-26s cpu %6.3f s (user %6.3f, sys %5.3f) wall %6.3f s  peak %7d KiB"
          % (name, median(x.cpu for x in a), median(x.user for x in a),
             median(x.system for x in a), median(x.wall for x in a), peak_kib(command)))
    print("%-26s cpu %6.3f s (user %6.3f, sys %5.3f) wall %6.3f s  peak %7d KiB"
          % (label, median(y.cpu for y in b),
             median(y.user for y in b), median(y.system for y in b),
             median(y.wall for y in b), peak_kib(reference)))
    print("%-26s cpu ratio %5.2f (min %5.2f, max %5.2f)  wall ratio %5.2f (min %5.2f, max %5.2f)"
          % ("  ratio", cpu_ratio, min(x.cpu / y.cpu for x, y in zip(a, b)),
             max(x.cpu / y.cpu for x, y in zip(a, b)), wall_ratio,
             min(x.wall / y.wall for x, y in zip(a, b)),
             max(x.wall / y.wall for x, y in zip(a, b))))
    sys.stdout.flush()


def make_input(path, snapshots, level, full=False):
    """An hour (360 snapshots) or more of 8000 aircraft, gzip-compressed as published; with
    `full` every number at a double's full precision, as the archives write them."""
    with open(path, "wb") as out:
        maker = subprocess.Popen([sys.executable, os.path.join(HERE, "make-opensky-csv.py"),
                                  "/dev/stdout", "8000", str(snapshots)] + ["--full"] * full,
                                 stdout=subprocess.PIPE)
        subprocess.run(["gzip", level], stdin=maker.stdout, stdout=out, check=True)
        maker.stdout.close()
        if maker.wait() != 0:
            sys.exit("make-opensky-csv.py failed")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("build_dir")
    parser.add_argument("--work", default=tempfile.gettempdir())
    parser.add_argument("--runs", type=int, default=9)
    parser.add_argument("--big", action="store_true")
    parser.add_argument("--core", type=int, default=max(os.sched_getaffinity(0)))
    args = parser.parse_args()
    trafficlog = os.path.join(args.build_dir, "bin", "trafficlog")
    if not os.access(trafficlog, os.X_OK):
        sys.exit("no %s: build the trafficlog target first" % trafficlog)
    for tool in ("gzip", "wc", "taskset", "/usr/bin/time"):
        if shutil.which(tool) is None:
            sys.exit("needs %s" % tool)
    work = tempfile.mkdtemp(prefix="corvane-bench-trafficlog-", dir=args.work)
    try:
        states = os.path.join(work, "states.csv.gz")
        data = os.path.join(work, "out.dat")
        make_input(states, 360, "-6")
        print("machine: %d cores, load average %.2f %.2f %.2f; input %.1f MB .csv.gz; "
              "single-threaded pairs on core %d"
              % ((os.cpu_count() or 0,) + os.getloadavg() + (os.path.getsize(states) / 1e6,
                                                            args.core)))
        gzip = ["gzip", "-dc", states]
        pair("convert --threads 2", [trafficlog, "convert", "--threads", "2", states, data],
             gzip, args.runs)
        pair("convert --threads 1", [trafficlog, "convert", "--threads", "1", states, data],
             gzip, args.runs, args.core)
        print("data file: %.1f MB" % (os.path.getsize(data) / 1e6))
        wc = ["wc", "-l", data]
        pair("scan --own 50.45,0.01", [trafficlog, "scan", "--own", "50.45,0.01", data], wc,
             args.runs, args.core)
        pair("check", [trafficlog, "check", data], wc, args.runs, args.core)
        os.remove(states)
        full = os.path.join(work, "full.csv.gz")
        make_input(full, 90, "-6", full=True)
        print("full-precision input: 720 000 rows, %.1f MB .csv.gz"
              % (os.path.getsize(full) / 1e6))
        gzip = ["gzip", "-dc", full]
        pair("convert --threads 2", [trafficlog, "convert", "--threads", "2", full, data],
             gzip, args.runs)
        pair("convert --threads 1", [trafficlog, "convert", "--threads", "1", full, data],
             gzip, args.runs, args.core)
        if args.big:
            os.remove(data)
            big = os.path.join(work, "big.csv.gz")
            make_input(big, 6 * 360, "-1")
            print("big input %.1f MB .csv.gz" % (os.path.getsize(big) / 1e6))
            for threads in ("2", "1"):
                command = [trafficlog, "convert", "--threads", threads, big, data]
                result = run_once(command)
                print("convert --threads %s of the big input: cpu %.2f s, wall %.2f s, peak %d KiB"
                      % (threads, result.cpu, result.wall, peak_kib(command)))
        print("load average at the end %.2f %.2f %.2f" % os.getloadavg())
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
