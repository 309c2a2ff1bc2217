#!/usr/bin/env python3
"""Mutation check: plants each deliberate fault of scripts/mutants.txt in the
source tree, one at a time, rebuilds, runs the tests that should catch it and
restores the file byte for byte. Prints one row per fault and "caught N of M".

    scripts/mutate.py [--list] [--only ID[,ID...]] [--wide] [--build DIR]
                      [--jobs N] [--mutants FILE] [--no-baseline]

Run from anywhere inside a clean checkout whose build folder exists (`make
build`). It refuses a tree with uncommitted changes to tracked files, since it
edits them; a file left planted by a killed run shows in `git diff` and
`git checkout -- FILE` puts it back. It runs itself under xvfb-run, as
`make test` does.

Each fault runs the test program of its subsystem and, for game code, the
whole-game tests (ctest -R '^game_'); the first group that fails stops the
run of that fault. A failing test is run once more alone, so that a test that
failed only under load does not count as a catch. With --wide, a fault that
its own groups miss also runs every other group, and the table says when only
a test elsewhere caught it (counted apart). Before the first fault every group
is run on the unchanged tree (skip with --no-baseline): a group that fails
there would make every fault look caught.

Exit status: 0 when every valid fault is caught, 1 when some is not, 2 when a
fault is stale (its text is no longer found, or found twice) or does not build.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
XVFB_ARGS = ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24 -noreset"]

# Test groups: a GoogleTest program, or the whole-game tests through ctest.
PROGRAMS = {"core": "test_core", "platform": "test_platform", "scene": "test_scene",
            "app": "test_app", "interface": "test_interface"}
GAME = "game"
GROUP_ORDER = ["core", "platform", "scene", "app", "interface", GAME]
# Which groups run for a fault in a folder when its entry names none.
DEFAULT_GROUPS = [("engine/core/", ["core"]), ("engine/platform/", ["platform"]),
                  ("de50/", ["platform"]), ("engine/scene/", ["scene"]),
                  ("game/app/", ["app", GAME]), ("game/interface/", ["interface", GAME])]


class Stop(Exception):
    """Raised by SIGTERM or SIGHUP so that the planted file is restored."""


def on_signal(signum, _frame):
    raise Stop("signal %d" % signum)


# ---------------------------------------------------------------- the faults


class Mutant:
    def __init__(self, ident, origin):
        self.id = ident
        self.origin = origin  # "mutants.txt:LINE" for messages
        self.file = ""
        self.desc = ""
        self.groups = []
        self.find = []
        self.replace = []
        self.line = 0
        self.result = ""
        self.status = ""  # caught, missed, stale, invalid, skipped

    @property
    def snippet(self):
        return "\n".join(self.find)

    @property
    def replacement(self):
        return "\n".join(self.replace)


def parse_mutants(path):
    """The entry format is described at the top of the mutants file."""
    mutants, current = [], None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if line.startswith("#") or (not line.strip() and not line.startswith(("-", "+"))):
                continue
            where = "%s:%d" % (os.path.basename(path), number)
            m = re.match(r"^\[([A-Za-z0-9_.-]+)\]\s*$", line)
            if m:
                current = Mutant(m.group(1), where)
                mutants.append(current)
                continue
            if current is None:
                raise SystemExit("%s: text before the first [id]" % where)
            if line.startswith("-"):
                current.find.append(line[1:])
            elif line.startswith("+"):
                current.replace.append(line[1:])
            else:
                key, sep, value = line.partition(":")
                key, value = key.strip(), value.strip()
                if not sep or key not in ("file", "desc", "tests"):
                    raise SystemExit("%s: expected file:, desc:, tests:, -text or +text" % where)
                if key == "tests":
                    current.groups = value.split()
                else:
                    setattr(current, key, value)
    seen = set()
    for mutant in mutants:
        problems = []
        if mutant.id in seen:
            problems.append("repeated id")
        seen.add(mutant.id)
        if not mutant.file or not mutant.find or not mutant.replace:
            problems.append("needs file:, at least one -line and one +line")
        if not mutant.groups:
            mutant.groups = next((g for prefix, g in DEFAULT_GROUPS if mutant.file.startswith(prefix)), [])
        unknown = [g for g in mutant.groups if g not in GROUP_ORDER]
        if unknown or not mutant.groups:
            problems.append("unknown or no test groups %s" % unknown)
        if mutant.snippet == mutant.replacement:
            problems.append("the replacement equals the text")
        if problems:
            raise SystemExit("%s [%s]: %s" % (mutant.origin, mutant.id, "; ".join(problems)))
        mutant.groups = [g for g in GROUP_ORDER if g in mutant.groups]
    return mutants


def locate(root, mutant):
    """Reads the file and finds the snippet; sets mutant.line. Answers the
    file's bytes, or None (and marks the mutant stale)."""
    path = os.path.join(root, mutant.file)
    if not os.path.isfile(path):
        mutant.status, mutant.result = "stale", "STALE: no such file"
        return None
    with open(path, "rb") as f:
        data = f.read()
    text = data.decode("utf-8")
    count = text.count(mutant.snippet)
    if count != 1:
        mutant.status = "stale"
        mutant.result = "STALE: text not found" if count == 0 else "STALE: text found %d times" % count
        return None
    mutant.line = text[: text.index(mutant.snippet)].count("\n") + 1
    return data


class Planted:
    """The fault in place for the duration of a with block; the original bytes
    go back on every way out of it (exceptions, Ctrl+C, SIGTERM)."""

    def __init__(self, root, mutant, original):
        self.path = os.path.join(root, mutant.file)
        self.original = original
        self.mutated = original.decode("utf-8").replace(mutant.snippet, mutant.replacement, 1).encode("utf-8")

    def __enter__(self):
        try:
            with open(self.path, "wb") as f:
                f.write(self.mutated)
        except BaseException:
            self.__exit__()
            raise
        return self

    def __exit__(self, *exc):
        # A Ctrl+C or SIGTERM in the middle of the write waits until the file is whole again.
        stopped = None
        while True:
            try:
                with open(self.path, "wb") as f:
                    f.write(self.original)
                break
            except (KeyboardInterrupt, Stop) as e:
                stopped = e
        if stopped is not None and exc[0] is None:
            raise stopped
        return False


# ---------------------------------------------------------------- building and testing


def run_quiet(cmd, cwd, timeout=None):
    """Runs a command in a session of its own, so that on a timeout, Ctrl+C or
    SIGTERM it is ended together with whatever it started (ctest's programs)."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, errors="replace", start_new_session=True)
    try:
        out, _ = proc.communicate(timeout=timeout)
    except BaseException:
        kill_group(proc)
        raise
    return proc.returncode, out


def build(root, build_dir, jobs, targets=None):
    cmd = ["cmake", "--build", build_dir, "-j", str(jobs)]
    for target in targets or []:
        cmd += ["--target", target]
    code, out = run_quiet(cmd, root)
    if code == 0:
        return None
    errors = [l for l in out.splitlines() if "error:" in l]
    return (errors or out.strip().splitlines() or ["build failed"])[0].strip()


def targets_for(groups):
    return [PROGRAMS[g] for g in groups if g in PROGRAMS] + (["notengine"] if GAME in groups else [])


def kill_group(proc):
    # Started in a session of its own: the group is the command and everything it started.
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    proc.wait()


def gtest_failure(output, code):
    """The first failing test of a GoogleTest run, or a crash's running test."""
    for line in output.splitlines():
        m = re.match(r"^\[  FAILED  \] (\S+\.\S+)", line)
        if m:
            return m.group(1)
    running = None
    for line in output.splitlines():
        m = re.match(r"^\[ RUN      \] (\S+)", line)
        if m:
            running = m.group(1)
        elif re.match(r"^\[       OK \] ", line):
            running = None
    how = "signal %d" % -code if code < 0 else "exit %d" % code
    return "%s (%s)" % (running, how) if running else "(%s)" % how


def run_program(bin_dir, program, timeout, env, test_filter=None):
    """Runs a GoogleTest program, stopping at its first failure (the programs
    run in a second or two: one process is enough). Answers (failed test or
    None, seconds)."""
    cmd = [os.path.join(bin_dir, program), "--gtest_fail_fast", "--gtest_color=no"]
    if test_filter:
        cmd.append("--gtest_filter=" + test_filter)
    start = time.monotonic()
    with open(os.path.join(bin_dir, "..", "mutate-%s.log" % program), "w+") as log:
        # Its own session, so that a hung program and anything it started can be ended together.
        proc = subprocess.Popen(cmd, cwd=bin_dir, env=env, stdout=log, stderr=subprocess.STDOUT,
                                start_new_session=True)
        try:
            code = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            kill_group(proc)
            return "(%s timed out after %d s)" % (program, timeout), time.monotonic() - start
        finally:
            if proc.poll() is None:
                kill_group(proc)
        log.seek(0)
        failure = gtest_failure(log.read(), code) if code != 0 else None
    return failure, time.monotonic() - start


def run_game(build_dir, jobs, timeout, env, name_regex="^game_"):
    start = time.monotonic()
    cmd = ["ctest", "-R", name_regex, "-j", str(jobs), "--stop-on-failure"]
    try:
        code, out = run_quiet(cmd, build_dir, timeout=timeout)
    except subprocess.TimeoutExpired:
        return "(whole-game tests timed out after %d s)" % timeout, time.monotonic() - start
    seconds = time.monotonic() - start
    if code == 0:
        return None, seconds
    for line in out.splitlines():
        m = re.match(r"^\s*\d+ - (\S+) \((.+)\)\s*$", line)
        if m:
            return m.group(1) if m.group(2) == "Failed" else "%s (%s)" % (m.group(1), m.group(2)), seconds
    return "(ctest exit %d)" % code, seconds


def test_name(failure):
    """The plain test name of a failure text, or None when there is none."""
    m = re.match(r"^([A-Za-z_][\w/]*\.[\w/]+|game_\w+)", failure or "")
    return m.group(1) if m else None


class Runner:
    def __init__(self, root, build_dir, jobs):
        self.root = root
        self.build_dir = build_dir
        self.bin_dir = os.path.join(build_dir, "bin")
        self.jobs = jobs
        self.env = dict(os.environ, ALSOFT_DRIVERS="null")
        self.timeouts = {g: 900 for g in GROUP_ORDER}

    def run_group(self, group, test_filter=None):
        timeout = self.timeouts[group]
        if group == GAME:
            regex = "^%s$" % re.escape(test_filter) if test_filter else "^game_"
            return run_game(self.build_dir, self.jobs, timeout, self.env, regex)
        return run_program(self.bin_dir, PROGRAMS[group], timeout, self.env, test_filter)

    def baseline(self, groups):
        for group in groups:
            failure, seconds = self.run_group(group)
            print("  baseline %-9s %5.0f s  %s" % (group, seconds, "FAILS: " + failure if failure else "passes"),
                  flush=True)
            if failure:
                return group, failure
            # A fault that hangs a test ends the run of its group after this long.
            self.timeouts[group] = int(max(120, seconds * 4 + 60))
        return None

    def catch(self, groups):
        """The first test of the groups that fails, confirmed by a second run
        of it alone; None when every group passes."""
        for group in groups:
            for _attempt in range(2):
                failure, _seconds = self.run_group(group)
                if not failure:
                    break
                name = test_name(failure)
                if not name:  # a hang or a crash outside a test: nothing to rerun alone
                    return "%s: %s" % (PROGRAMS.get(group, "ctest"), failure)
                again, _ = self.run_group(group, name)
                if again:
                    return "%s (%s)" % (failure, PROGRAMS.get(group, "ctest"))
                print("    (%s failed once, then passed alone: not counted)" % name, flush=True)
        return None


# ---------------------------------------------------------------- the run


def git(root, *args):
    return subprocess.run(["git", *args], cwd=root, stdout=subprocess.PIPE, text=True, check=True).stdout


def select(mutants, only):
    if not only:
        return mutants
    wanted = [w for item in only for w in item.split(",") if w]
    known = {m.id for m in mutants}
    missing = [w for w in wanted if w not in known]
    if missing:
        raise SystemExit("no mutant named %s (see --list)" % ", ".join(missing))
    return [m for m in mutants if m.id in wanted]


def print_table(mutants):
    rows = [(m.id, "%s:%s" % (m.file, m.line or "?"), m.desc, m.result) for m in mutants]
    if not rows:
        return
    widths = [max(len(r[i]) for r in rows + [("id", "place", "fault", "")]) for i in range(3)]
    widths[2] = min(widths[2], 70)
    print()
    print("%-*s  %-*s  %-*s  %s" % (widths[0], "id", widths[1], "place", widths[2], "fault", "result"))
    for r in rows:
        print("%-*s  %-*s  %-*s  %s" % (widths[0], r[0], widths[1], r[1], widths[2], r[2], r[3]))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--list", action="store_true", help="list the mutants and where they apply; build nothing")
    parser.add_argument("--only", action="append", metavar="ID", help="run only these mutants (repeat or comma-separate)")
    parser.add_argument("--build", default="build", help="build folder (default: build)")
    parser.add_argument("--jobs", type=int, default=3, help="build and ctest jobs (default: 3)")
    parser.add_argument("--wide", action="store_true",
                        help="a fault its own groups miss also runs every other group")
    parser.add_argument("--mutants", default=os.path.join(HERE, "mutants.txt"), help="the mutants file")
    parser.add_argument("--no-baseline", action="store_true", help="skip the run on the unchanged tree")
    args = parser.parse_args()

    root = git(HERE, "rev-parse", "--show-toplevel").strip()
    mutants = select(parse_mutants(args.mutants), args.only)

    if args.list:
        for m in mutants:
            locate(root, m)
            print("%-28s %-44s %-9s %s" % (m.id, "%s:%s" % (m.file, m.line or "?"), "STALE" if m.status == "stale"
                                           else ",".join(m.groups), m.desc))
        return 2 if any(m.status == "stale" for m in mutants) else 0

    if git(root, "status", "--porcelain", "--untracked-files=no").strip():
        print("mutate.py: the tree has uncommitted changes to tracked files; commit them first "
              "(a file left by a killed run: `git checkout -- FILE`).", file=sys.stderr)
        return 2
    build_dir = os.path.join(root, args.build)
    if not os.path.isfile(os.path.join(build_dir, "build.ninja")):
        print("mutate.py: no build in %s; run `make build` first." % build_dir, file=sys.stderr)
        return 2
    if "MUTATE_UNDER_XVFB" not in os.environ:
        os.environ["MUTATE_UNDER_XVFB"] = "1"
        os.execvp(XVFB_ARGS[0], XVFB_ARGS + [sys.executable, os.path.abspath(__file__)] + sys.argv[1:])

    for s in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(s, on_signal)
    runner = Runner(root, build_dir, args.jobs)
    started = time.monotonic()
    try:
        return run(root, args, mutants, runner, started)
    except (KeyboardInterrupt, Stop):
        print("\nmutate.py: stopped; the tree is restored.", file=sys.stderr)
        print_table([m for m in mutants if m.status])
        return 130


def run(root, args, mutants, runner, started):
    print("building %s ..." % runner.build_dir, flush=True)
    error = build(root, runner.build_dir, args.jobs)
    if error:
        print("mutate.py: the unchanged tree does not build: %s" % error, file=sys.stderr)
        return 2
    groups = [g for g in GROUP_ORDER if args.wide or any(g in m.groups for m in mutants)]
    if not args.no_baseline:
        failed = runner.baseline(groups)
        if failed:
            print("mutate.py: %s fails on the unchanged tree (%s); fix that first." % failed, file=sys.stderr)
            return 2

    for number, m in enumerate(mutants, 1):
        original = locate(root, m)
        print("[%d/%d] %s  %s:%s  %s" % (number, len(mutants), m.id, m.file, m.line or "?", m.desc), flush=True)
        if original is None:
            print("    " + m.result, flush=True)
            continue
        t0 = time.monotonic()
        with Planted(root, m, original):
            error = build(root, runner.build_dir, args.jobs, targets_for(m.groups))
            if error:
                m.status, m.result = "invalid", "INVALID (does not build): " + error[:100]
            else:
                caught = runner.catch(m.groups)
                m.status = "caught" if caught else "missed"
                m.result = "caught by " + caught if caught else "NOT CAUGHT"
                others = [g for g in GROUP_ORDER if g not in m.groups]
                if not caught and args.wide:
                    error = build(root, runner.build_dir, args.jobs, targets_for(others))
                    caught = None if error else runner.catch(others)
                    if caught:
                        m.status, m.result = "wide", "NOT CAUGHT by its own tests; caught by " + caught
        if git(root, "status", "--porcelain", "--untracked-files=no", "--", m.file).strip():
            raise SystemExit("mutate.py: %s did not come back as committed" % m.file)
        print("    %s  (%.0f s)" % (m.result, time.monotonic() - t0), flush=True)

    print("rebuilding the restored tree ...", flush=True)
    error = build(root, runner.build_dir, args.jobs)
    print_table(mutants)
    valid = [m for m in mutants if m.status in ("caught", "missed", "wide")]
    caught = [m for m in valid if m.status == "caught"]
    broken = [m for m in mutants if m.status in ("stale", "invalid")]
    print("\ncaught %d of %d" % (len(caught), len(valid)) +
          (" (%d stale or not building, not counted)" % len(broken) if broken else "") +
          "; %.0f minutes" % ((time.monotonic() - started) / 60))
    wide = [m.id for m in valid if m.status == "wide"]
    if args.wide:
        print("caught %d of %d by the whole suite" % (len(caught) + len(wide), len(valid)))
    missed = [m.id for m in valid if m.status != "caught"]
    if missed:
        print("not caught by their own tests: " + ", ".join(missed))
    if error:
        print("mutate.py: the restored tree does not build: %s" % error, file=sys.stderr)
        return 2
    return 2 if broken else (1 if missed else 0)


if __name__ == "__main__":
    sys.exit(main())
