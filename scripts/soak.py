#!/usr/bin/env python3
"""Soak: the program runs the sample game on seeded random input for many
turns in a fresh user folder. Fails when the program does not end cleanly,
when a line with "Error:" or a sanitizer report appears, or when its resident
memory grows between the run's second quarter and its end.

    soak.py PROGRAM SAMPLE_DIR [--turns N] [--seed S] [--growth-mb M]

Turns run back to back (fixed step), so the share of the run's time stands
for the share of its turns when memory is sampled from outside.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import tempfile
import time

# Window coordinates reach a little past the 1366 x 768 window on every side.
X_RANGE = (-40, 1406)
Y_RANGE = (-40, 808)
KEYS = [8, 9, 13, 27, 32, 37, 38, 39, 40, 48, 65, 90, 112]
# The sample's door, chest, gem and way back in window coordinates: a share of
# the clicks lands near them so that rooms open and close again and again.
HOTSPOTS = [(971, 400), (683, 600), (683, 384), (261, 680)]
NEW_GAME = (683, 400)  # the main menu's "New game"


# From the main menu into the game, then door, chest, gem and way back in turn: every
# room and the close-up once, so that the memory they take is in use before the first
# sample counts.
TOUR = [(5, NEW_GAME), (25, 0), (95, 1), (165, 2), (235, 3)]
TOUR_TURNS = 265


def random_events(turns, seed):
    """Lines "turn type value x y flags": the tour, then pointer moves and
    clicks mostly, some wheel steps, keys, typed characters and focus changes."""
    rng = random.Random(seed)
    lines = []
    for turn, spot in TOUR:
        x, y = spot if isinstance(spot, tuple) else HOTSPOTS[spot]
        lines += ["%d 4 0 %d %d 0" % (turn, x, y), "%d 1 0 %d %d 0" % (turn + 1, x, y),
                  "%d 3 0 %d %d 0" % (turn + 2, x, y)]
    for turn in range(TOUR_TURNS, turns):
        roll = rng.random()
        x, y = rng.randint(*X_RANGE), rng.randint(*Y_RANGE)
        if rng.random() < 0.3:
            spot = rng.choice(HOTSPOTS)
            x, y = spot[0] + rng.randint(-20, 20), spot[1] + rng.randint(-20, 20)
        if roll < 0.45:
            lines.append("%d 4 0 %d %d 0" % (turn, x, y))
        elif roll < 0.70:
            lines += ["%d 4 0 %d %d 0" % (turn, x, y), "%d 1 0 %d %d 0" % (turn, x, y),
                      "%d 3 0 %d %d 0" % (turn, x, y)]
        elif roll < 0.74:
            lines.append("%d 6 %d %d %d 0" % (turn, rng.choice([1, -1]) & 0xFFFFFFFF, x, y))
        elif roll < 0.78:
            key = rng.choice(KEYS)
            lines += ["%d 7 %d 0 0 0" % (turn, key), "%d 8 %d 0 0 0" % (turn, key)]
        elif roll < 0.81:
            lines.append("%d 9 %d 0 0 0" % (turn, rng.choice([97, 233, 0x65E5, 0x1F50D])))
        elif roll < 0.82:
            lines += ["%d 12 0 0 0 0" % turn, "%d 12 1 0 0 0" % (turn + 1)]
    return lines


def resident_kb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def run(program, sample, turns, seed, work):
    input_file = os.path.join(work, "input.txt")
    with open(input_file, "w") as f:
        f.write("\n".join(random_events(turns, seed)) + "\n")
    user = os.path.join(work, "user")
    os.mkdir(user)
    env = dict(os.environ, NOTENGINE_USER_DIR=user)
    env.setdefault("ALSOFT_DRIVERS", "null")
    # A small quarantine: freed memory held back by the sanitizer is not growth.
    env.setdefault("ASAN_OPTIONS", "intercept_tls_get_addr=0:quarantine_size_mb=16")
    log_path = os.path.join(work, "run.log")
    args = [os.path.abspath(program), "--windowed", "--fixed-step", "--frames", str(turns), "--input", input_file]
    samples = []  # (seconds since start, kB)
    start = time.monotonic()
    with open(log_path, "w") as log:
        proc = subprocess.Popen(args, cwd=sample, env=env, stdout=log, stderr=subprocess.STDOUT)
        while proc.poll() is None:
            kb = resident_kb(proc.pid)
            if kb:
                samples.append((time.monotonic() - start, kb))
            time.sleep(0.05)
    with open(log_path, encoding="utf-8", errors="replace") as f:
        return proc.returncode, f.read(), samples


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("program")
    parser.add_argument("sample")
    parser.add_argument("--turns", type=int, default=6000)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--growth-mb", type=float, default=24.0)
    options = parser.parse_args()

    work = tempfile.mkdtemp(prefix="ne_soak_")
    code, log, samples = run(options.program, options.sample, options.turns, options.seed, work)
    problems = []
    if code != 0:
        problems.append("exit code %d" % code)
    for line in log.splitlines():
        if "Error:" in line or "ERROR:" in line or "runtime error" in line:
            problems.append(line)
    if len(samples) >= 8:
        # Floors, since resident size swings by tens of MB as large buffers come and go:
        # the lowest from a quarter to half the run against the lowest near its end.
        total = samples[-1][0]
        early = [kb for t, kb in samples if 0.25 * total <= t <= 0.5 * total] or [samples[len(samples) // 4][1]]
        late = [kb for t, kb in samples if 0.75 * total <= t <= 0.98 * total] or [samples[-1][1]]
        at_quarter, at_end = min(early), min(late)
        print("soak: %d turns, seed %d, %.1f s; resident floor %.1f MB after a quarter, %.1f MB near the end"
              % (options.turns, options.seed, total, at_quarter / 1024.0, at_end / 1024.0))
        if at_end - at_quarter > options.growth_mb * 1024:
            problems.append("resident memory grew by %.1f MB" % ((at_end - at_quarter) / 1024.0))
    else:
        print("soak: %d turns, seed %d; too short to sample memory" % (options.turns, options.seed))
    if problems:
        print("soak FAILED (log kept in %s):" % work, file=sys.stderr)
        for p in problems[:20]:
            print("  " + p, file=sys.stderr)
        return 1
    shutil.rmtree(work, ignore_errors=True)
    print("soak: no error line, memory flat")
    return 0


if __name__ == "__main__":
    sys.exit(main())
