#!/usr/bin/env python3
"""Checks what a live chain put into the block, as the simulator stand-in logged it.

    scripts/live_chain_check.py SIM_LOG DATA_FILE AWAY BACK

SIM_LOG is the log of `corvane-sim --log`, DATA_FILE the recording (at its name again), AWAY and
BACK the calendar seconds at which the recording was moved away from its name and back. Checks
that the recorder wrote an entry every 10 s throughout, the time away included; that the feeder
published each new entry once, the newest at each look, and nothing else: every publication is an
entry of the recording, newer than the one before, none goes unseen by the stand-in, and no entry
is left out but those that came while the file was away; that traffic was published both before
the move and after it, and never withdrawn. Exit 0 when all holds, 1 with what failed.
"""
import calendar
import re
import sys
import time

ENTRY_SECONDS = 10
PUBLICATION = re.compile(r" publication (-?\d+): (-?\d+) aircraft, status (-?\d+)"
                         r"(?:, own [^ ,]+ [^ ,:]+)?(?:, recorded (\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ))?")


def entries_of(path):
    """The newest position time of each complete entry of the data file, in file order."""
    entries, newest, inside = [], None, False
    with open(path, encoding="latin-1") as data:
        for line in data:
            line = line.rstrip("\r\n")
            if re.fullmatch(r"####_ENTRY_\d+_####", line):
                newest, inside = None, True
            elif line == "####_ENTRY_END_####":
                if inside and newest is not None:
                    entries.append(newest)
                inside = False
            elif inside:
                fields = line.split("|")
                if len(fields) > 2 and fields[2].lstrip("-").isdigit():
                    seconds = int(fields[2])
                    newest = seconds if newest is None else max(newest, seconds)
    return entries


def publications_of(path):
    """(counter, aircraft, status, recorded seconds or None) of each publication logged."""
    found = []
    with open(path, encoding="utf-8", errors="replace") as log:
        for line in log:
            match = PUBLICATION.search(line)
            if match:
                stamp = match.group(4)
                recorded = (calendar.timegm(time.strptime(stamp, "%Y-%m-%dT%H:%M:%SZ"))
                            if stamp else None)
                found.append((int(match.group(1)), int(match.group(2)), int(match.group(3)),
                              recorded))
    return found


def check(entries, publications, away, back):
    """The failures found, as texts; none when the run was sound."""
    failures = []
    if len(entries) < 2:
        return ["the recording holds %d complete entries" % len(entries)]
    for before, after in zip(entries, entries[1:]):
        if after - before > ENTRY_SECONDS + 1 or after <= before:
            failures.append("the recorder wrote no entry between %d and %d" % (before, after))
    index_of = {newest: index for index, newest in enumerate(entries)}
    if not publications:
        return failures + ["the stand-in saw no publication"]
    for (counter, _, _, _), (next_counter, _, _, _) in zip(publications, publications[1:]):
        if next_counter != counter + 1:
            failures.append("publication %d followed %d: the stand-in missed one, or the "
                            "feeder published twice at once" % (next_counter, counter))
    published = []
    for counter, aircraft, status, recorded in publications:
        if aircraft <= 0 or recorded is None:
            failures.append("publication %d withdrew the traffic" % counter)
        elif status != 0:
            failures.append("publication %d has status %d" % (counter, status))
        elif recorded not in index_of:
            failures.append("publication %d is of no entry of the recording (recorded %d)"
                            % (counter, recorded))
        else:
            published.append((counter, index_of[recorded]))
    for (counter, index), (next_counter, next_index) in zip(published, published[1:]):
        if next_index <= index:
            failures.append("publication %d repeats an entry, or an older one (%d after %d)"
                            % (next_counter, entries[next_index], entries[index]))
        elif next_index > index + 1 and not (entries[index] < back and entries[next_index] > away):
            failures.append("publication %d left out %d entr%s while the file was at its name"
                            % (next_counter, next_index - index - 1,
                               "y" if next_index == index + 2 else "ies"))
    before_move = sum(1 for _, index in published if entries[index] < away)
    after_move = sum(1 for _, index in published if entries[index] > back)
    if before_move < 2 or after_move < 2:
        failures.append("%d publications before the move and %d after it, 2 of each wanted"
                        % (before_move, after_move))
    return failures


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__.split("\n\n")[1].strip())
    entries = entries_of(sys.argv[2])
    publications = publications_of(sys.argv[1])
    failures = check(entries, publications, float(sys.argv[3]), float(sys.argv[4]))
    for failure in failures:
        print("FAILED: " + failure)
    print("live chain: %d entries recorded, %d publications seen by the stand-in"
          % (len(entries), len(publications)))
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
