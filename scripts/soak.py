#!/usr/bin/env python3
"""Soak: the program runs the sample game for many turns in a fresh user
folder: rounds of a tour through every room, dialog, the map, the guide, the
album, the credits and the cut-scene, each followed by seeded random input. Fails when the program does not end cleanly,
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
WIDE = 171  # design x + 171 is the window's x

# Design points of the sample (see tests/game/check_game.py): the menu, the HUD, the
# hall, study, attic and workshop, the dialogs' and windows' buttons.
NEW_GAME, ASK_YES, MENU_CARDS, MENU_GUIDE, MENU_CREDITS = (780, 240), (412, 434), (780, 464), (780, 520), (780, 576)
PLAYERS, PLAYERS_DONE = (780, 352), (512, 596)
HUD_MAP, HUD_MENU, HUD_GUIDE, HINT = (1033, 674), (1044, 739), (-20, 745), (-21, 670)
SETTINGS_TO_MENU, SETTINGS_CLOSE, EFFECTS_BAR = (402, 580), (622, 580), (560, 244)
MAGE, NOTE, PROJECTOR, WALL_MAP, SKIP = (904, 470), (745, 290), (962, 150), (272, 328), (1105, 48)
DOOR, CHEST, GEM, BACK = (745, 352), (512, 600), (512, 384), (100, 590)
HO_DOOR, HO_BACK, MG_DOOR, MG_BACK = (745, 352), (70, 64), (285, 352), (100, 590)
MAP_ATTIC, MAP_CLOSE, GUIDE_NEXT, GUIDE_BACK = (512, 256), (1103, 54), (840, 675), (660, 675)
CARDS_CLOSE, CREDITS_BACK, LAMPS = (512, 660), (512, 676), [(312, 410), (512, 410), (712, 410)]
ANYWHERE = (512, 300)

# One round of the whole sample, from the menu (turns after its start, design point):
# the album, guide and credits from the menu, a new game, the mage's dialog, the note,
# the projector's cut-scene, the map (pinned on the wall) with its popup, the guide
# from the HUD, the study
# and its close-up, the attic, the workshop with its lamps, and the settings. Each
# step waits for the fades before it.
TOUR = [(0, MENU_CARDS), (40, CARDS_CLOSE), (80, MENU_GUIDE), (130, GUIDE_NEXT), (170, GUIDE_BACK),
        (230, MENU_CREDITS), (280, CREDITS_BACK), (340, PLAYERS), (370, PLAYERS_DONE), (400, NEW_GAME),
        (404, ASK_YES), (440, MAGE), (500, ANYWHERE), (540, ANYWHERE), (580, NOTE), (640, ANYWHERE),
        (680, PROJECTOR), (800, SKIP), (860, WALL_MAP), (900, MAP_ATTIC), (960, MAP_CLOSE), (1010, HUD_GUIDE),
        (1060, GUIDE_NEXT), (1100, GUIDE_BACK), (1150, DOOR), (1210, CHEST), (1280, GEM), (1340, HO_DOOR),
        (1400, HO_BACK), (1460, MG_DOOR), (1520, LAMPS[0]), (1550, LAMPS[1]), (1580, ANYWHERE),
        (1600, MG_BACK), (1660, BACK), (1720, HUD_MENU), (1760, EFFECTS_BAR), (1780, SETTINGS_CLOSE)]
TOUR_TURNS = 1840
# Random turns between two rounds.
BETWEEN = 1200
# The menu's Quit, in window coordinates, which random clicks leave alone.
QUIT_AREA = (780 - 150 + WIDE, 632 - 24, 780 + 150 + WIDE, 632 + 24)
HOTSPOTS = [p for _, p in TOUR] + [HUD_MAP]
# Back to the menu from wherever the random input left the game: the settings' way
# back first (they may be open), then what closes the map, the album, a dialog and
# the guide, then the settings from the HUD and their way back.
RETURN = [SETTINGS_TO_MENU, ANYWHERE, MAP_CLOSE, CARDS_CLOSE, GUIDE_BACK, HUD_MENU, SETTINGS_TO_MENU, ANYWHERE]


# What the log shows of the tour's parts.
TOUR_LINES = ["sample: cards open", "sample: room open sample_guide_room", "sample: credits open",
              "sample: new game for", "sample: dialog open", "sample: cut-scene started", "sample: map popup",
              "sample: open subroom", "sample: room open sample_ho_room", "sample: room open sample_mg_room",
              "sample: settings open", "sample: back to the menu"]


def clicks(turn, point):
    x, y = point[0] + WIDE, point[1]
    return ["%d 4 0 %d %d 0" % (turn, x, y), "%d 1 0 %d %d 0" % (turn + 1, x, y), "%d 3 0 %d %d 0" % (turn + 2, x, y)]


def random_turn(rng, turn):
    """Pointer moves and clicks mostly (a share near the sample's hotspots), some wheel
    steps, keys, typed characters and focus changes."""
    roll = rng.random()
    x, y = rng.randint(*X_RANGE), rng.randint(*Y_RANGE)
    if rng.random() < 0.3:
        spot = rng.choice(HOTSPOTS)
        x, y = spot[0] + WIDE + rng.randint(-20, 20), spot[1] + rng.randint(-20, 20)
    if roll < 0.45:
        return ["%d 4 0 %d %d 0" % (turn, x, y)]
    if roll < 0.70 and QUIT_AREA[0] <= x <= QUIT_AREA[2] and QUIT_AREA[1] <= y <= QUIT_AREA[3]:
        return ["%d 4 0 %d %d 0" % (turn, x, y)]
    if roll < 0.70:
        return ["%d 4 0 %d %d 0" % (turn, x, y), "%d 1 0 %d %d 0" % (turn, x, y), "%d 3 0 %d %d 0" % (turn, x, y)]
    if roll < 0.74:
        return ["%d 6 %d %d %d 0" % (turn, rng.choice([1, -1]) & 0xFFFFFFFF, x, y)]
    if roll < 0.78:
        key = rng.choice(KEYS)
        return ["%d 7 %d 0 0 0" % (turn, key), "%d 8 %d 0 0 0" % (turn, key)]
    if roll < 0.81:
        return ["%d 9 %d 0 0 0" % (turn, rng.choice([97, 233, 0x65E5, 0x1F50D]))]
    if roll < 0.82:
        return ["%d 12 0 0 0 0" % turn, "%d 12 1 0 0 0" % (turn + 1)]
    return []


def random_events(turns, seed):
    """Lines "turn type value x y flags": rounds of the tour, each followed by random
    input in the game; each later round first goes back to the menu through the
    settings window (clicks that do nothing where the random input left a screen)."""
    rng = random.Random(seed)
    lines, turn = [], 5
    while turn < turns:
        if turn > 5:
            for step in RETURN:
                lines += clicks(turn, step)
                turn += 40
        for at, point in TOUR:
            lines += clicks(turn + at, point)
        turn += TOUR_TURNS
        for t in range(turn, min(turns, turn + BETWEEN)):
            lines += random_turn(rng, t)
        turn += BETWEEN
    return [line for line in lines if int(line.split()[0]) < turns]


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
    if "sample: quit from the menu" in log:
        problems.append("the game was quit before its last turn")
    # Every part of the tour was reached at least once.
    seen = {part: log.count(part) for part in TOUR_LINES}
    print("soak: tour lines seen: " + ", ".join("%s %d" % (part.split(": ", 1)[1], n) for part, n in seen.items()))
    problems += ["the tour never reached %r" % part for part, n in seen.items() if n == 0]
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
