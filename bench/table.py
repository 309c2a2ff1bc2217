#!/usr/bin/env python3
"""The benchmark table: each workload measured in our build beside its peer (LOVE 11, libtheora, TinyXML, a bare
lua_pcall) in the same run, on the same Xvfb screen.

Each figure is the minimum of many samples. A sample is the mean of frames or calls over at least SAMPLE_SECONDS
(a Google Benchmark repetition, or a run of LOVE frames); each side gives SAMPLES of them per round, and ROUNDS
rounds run ours and the peer in turn, the order alternating. Rows of presented frames take FRAME_ROUNDS rounds of
FRAME_SAMPLES shorter samples (FRAME_SAMPLE_SECONDS). Noise on a shared machine only ever adds time, so the minimum
moves when the code does; the spread printed beside a figure is how far the median sample lies above it.
Whole-process rows (start, memory) take the minimum of several processes.

    bench/table.py [--build DIR] [--all] [--check [--update]]

--all     every benchmark program first runs once in full, with its own output (`make bench`);
--check   only the in-process rows, each ratio compared with bench/baseline.json (`make bench-check`), the GL
          driver rasterising on the drawing thread (LP_NUM_THREADS=0) on both sides; a row that looks worse is
          measured again (up to twice) before it fails;
--update  with --check: the baseline is rewritten, each row's ratio the higher of two independent passes.
Exit status 1 when a benchmark failed, or with --check when a row is worse than its baseline by more than 10%.
A peer that is not installed is a row saying so, not a failure. Run under one X server that does not reset:
    xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" bench/table.py"""
import argparse, json, os, re, shutil, statistics, subprocess, sys, tempfile, textwrap, threading, time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
LOVE_DIR = os.path.join(ROOT, "bench", "love")
BASELINE = os.path.join(ROOT, "bench", "baseline.json")
ROUNDS = int(os.environ.get("ROUNDS", "3"))
SAMPLES = int(os.environ.get("SAMPLES", "8"))
SAMPLE_SECONDS = float(os.environ.get("SAMPLE_SECONDS", "0.2"))
# Frames: the GL driver rasterises on every core, so a frame waits for the slowest of them and any time another
# process takes from one core lands on it. Many short samples find the quiet stretches that the minimum needs.
FRAME_ROUNDS = int(os.environ.get("FRAME_ROUNDS", "3"))
FRAME_SAMPLES = int(os.environ.get("FRAME_SAMPLES", "32"))
FRAME_SAMPLE_SECONDS = float(os.environ.get("FRAME_SAMPLE_SECONDS", "0.05"))
START_RUNS = 3  # processes per side and round for the start rows
TOLERANCE = 0.10  # bench-check: a ratio this much above its baseline fails
LOVE_HINT = "peer not installed: sudo apt-get install love (LOVE 11, Debian's package)"
FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSerif.ttf"
PARAGRAPH = ("The keeper climbed the spiral stair at dusk, lamp in hand, counting the steps as his father had taught "
             "him. Salt had crusted the small windows again; through them the bay lay grey and still. Somewhere "
             "below, a door he was sure he had locked knocked twice against its frame; all the gulls fell silent.")
FRAME_PERIOD_MS = 17.0  # one loop turn
ROOMS = os.path.join(ROOT, "sample", "assets", "rooms")


def pictures(folders, files):
    """Every PNG and JPEG of the folders under sample/assets/rooms, and the single files named."""
    found = [os.path.join(ROOMS, d, f) for d in folders for f in sorted(os.listdir(os.path.join(ROOMS, d)))]
    found += [os.path.join(ROOMS, f) for f in files]
    return ":".join(p for p in found if p.endswith((".png", ".jpg")))


# What the hall's and the attic's objects draw (start.xml, ho_room.xml and what other modules add to the hall).
HALL = pictures(["room1"], ["minigame/lamp_off.png"])
HALL_AND_ATTIC = HALL + ":" + pictures(["ho_room"], ["room2/back.png"])


class Row:
    """One workload: our samples, the peer's ("love", "in-process" or None for a row of our own figure only)."""

    def __init__(self, key, label, target=None, peer="love", check=False):
        self.key, self.label, self.target, self.peer_kind, self.check = key, label, target, peer, check
        self.ours, self.peer, self.missing = [], [], None

    def ratio(self):
        if not self.peer_kind or not self.ours or not self.peer:
            return None
        return min(self.ours) / min(self.peer)

    def value(self):
        """What the target is compared with: the ratio, or for a row without a peer our own figure."""
        return self.ratio() if self.peer_kind else (min(self.ours) if self.ours else None)


class Table:
    def __init__(self, build):
        self.bin = os.path.join(build, "bin")
        self.failures = []
        self.rows = {}
        self.scratch = tempfile.mkdtemp(prefix="ne_bench_table_")
        self.env = dict(os.environ, ALSOFT_DRIVERS="null", SDL_AUDIODRIVER="dummy", NE_BENCH_PICTURES=HALL_AND_ATTIC,
                        NOTENGINE_USER_DIR=os.path.join(self.scratch, "user"))
        self.love = love_version()
        self.group = None  # the measuring function now running

    def row(self, key, *args, **kw):
        if key not in self.rows:
            self.rows[key] = Row(key, *args, **kw)
            self.rows[key].group = self.group
        return self.rows[key]

    def fail(self, what):
        print("FAILED: " + what, flush=True)
        self.failures.append(what)

    # ---- processes ----

    def run(self, cmd, cwd=ROOT, env=None, echo=False):
        """Wall seconds, peak resident MB, standard output and exit status of one whole process."""
        with tempfile.TemporaryFile("w+") as err:
            start = time.monotonic()
            proc = subprocess.Popen(cmd, cwd=cwd, env=env or self.env, stdout=None if echo else subprocess.PIPE,
                                    stderr=err, text=True)
            watchdog = threading.Timer(900, proc.kill)  # a hung program must not hang the table
            watchdog.start()
            out = "" if echo else proc.stdout.read()
            _, status, usage = os.wait4(proc.pid, 0)
            wall = time.monotonic() - start
            watchdog.cancel()
            proc.returncode = os.waitstatus_to_exitcode(status)
            err.seek(0)
            self.last_error = err.read()[-600:]
        return wall, usage.ru_maxrss / 1024.0, out, proc.returncode

    def gbench(self, prog, pattern, env=None, repetitions=None, once=False, seconds=None):
        """Benchmark name -> [per-repetition records] (times in ms) of one run of bench_<prog>; also the process's
        peak resident MB. A failed program or benchmark is recorded and gives nothing."""
        exe = os.path.join(self.bin, "bench_" + prog)
        if not os.access(exe, os.X_OK):
            self.fail("%s is missing: make build" % exe)
            return {}, 0
        cmd = [exe, "--benchmark_filter=" + pattern, "--benchmark_format=json"]
        if not once:
            cmd += ["--benchmark_repetitions=%d" % (repetitions or SAMPLES), "--benchmark_min_time=%g" % (seconds or SAMPLE_SECONDS),
                    "--benchmark_enable_random_interleaving=true"]
        _, rss, out, status = self.run(cmd, env=env)
        try:
            records = json.loads(out).get("benchmarks", [])
        except ValueError:
            records = None
        if status != 0 or records is None:
            self.fail("bench_%s %s: exit status %d, no figures: %s" % (prog, pattern, status, self.last_error.strip()))
            return {}, rss
        runs = {}
        for r in records:
            if r.get("run_type") == "aggregate":
                continue
            name = base_name(r["name"])
            if r.get("error_occurred"):
                self.fail("bench_%s %s: %s" % (prog, name, r.get("error_message", "error")))
                continue
            r["ms"] = r["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[r.get("time_unit", "ns")]
            runs.setdefault(name, []).append(r)
        if not runs and not any(r.get("error_occurred") for r in records):
            self.fail("bench_%s: no benchmark matches %s" % (prog, pattern))
        return runs, rss

    def love_run(self, samples=SAMPLES, seconds=SAMPLE_SECONDS, **settings):
        """Figures (key -> [values]), wall seconds and peak resident MB of one LOVE run; None without LOVE."""
        if not self.love:
            return None
        env = dict(self.env, LOVE_SAMPLES=str(samples), LOVE_SAMPLE_SECONDS=str(seconds),
                   **{k: str(v) for k, v in settings.items()})
        wall, rss, out, status = self.run(["love", LOVE_DIR], env=env)
        figures, errors = {}, []
        for line in out.splitlines():
            key, _, value = line.partition(" ")
            if key == "love_error":
                errors.append(value)
                continue
            try:
                figures.setdefault(key, []).append(float(value))
            except ValueError:
                pass
        if status != 0 or errors:
            self.fail("LOVE %s: exit status %d %s" % (settings, status, "; ".join(errors) or self.last_error.strip()))
            return None
        return figures, wall, rss

    def add(self, row, ours=None, peer=None):
        row.ours += ours or []
        if row.peer_kind == "love" and not self.love:
            row.missing = LOVE_HINT
        row.peer += peer or []


def base_name(name):
    """The benchmark's name without Google Benchmark's run settings ("/real_time", "/iterations:1", ...)."""
    return "/".join(p for p in name.split("/") if not re.match(r"^(real_time|iterations:\d+|min_time:[\d.]+)$", p))


def love_version():
    """True when LOVE 11 is installed."""
    if not shutil.which("love"):
        return False
    try:
        out = subprocess.run(["love", "--version"], capture_output=True, text=True, timeout=30).stdout
    except (OSError, subprocess.TimeoutExpired):
        return False
    return re.search(r"\b11\.\d", out) is not None


def in_turn(round_index, ours, peer):
    """Ours then the peer, or the other way round every other round."""
    for side in ((ours, peer) if round_index % 2 == 0 else (peer, ours)):
        side()


def ms(runs, name, scale=1.0):
    return [r["ms"] * scale for r in runs.get(name, [])]


def love_frames(result):
    return result[0].get("love_frame_ms", []) if result else []


def frame_bench(t, prog, pattern):
    return t.gbench(prog, pattern, repetitions=FRAME_SAMPLES, seconds=FRAME_SAMPLE_SECONDS)[0]


def love_frame_run(t, **settings):
    return love_frames(t.love_run(FRAME_SAMPLES, FRAME_SAMPLE_SECONDS, **settings))


def frames(group):
    """Marks a group whose rows are presented frames: it runs FRAME_ROUNDS rounds of FRAME_SAMPLES samples."""
    group.frames = True
    return group


# ---- the in-process rows: one round of each group adds SAMPLES samples a side ----

@frames
def sprites(t, n):
    row = t.row("sprites", "10,000 sprites, frame (ms) vs LOVE 11", 0.60, check=True)
    in_turn(n, lambda: t.add(row, ms(frame_bench(t, "sprites", "^BM_SpritesFrame"), "BM_SpritesFrame")),
            lambda: t.add(row, peer=love_frame_run(t)))


PARTICLES = ((0, 1000), (0, 10000), (0, 50000), (1, 1000), (1, 10000))  # a scripted system stops at 10,000


@frames
def particles(t, n):
    rows = {}
    for form, count in PARTICLES:
        kind = ("emitter file", 0.70) if form == 0 else ("scripted", 0.85)
        rows[form, count] = t.row("particles_%s_%d" % ("emitter" if form == 0 else "scripted", count),
                                  "particles %s, %s (ms) vs LOVE ParticleSystem" % ("{:,}".format(count), kind[0]),
                                  kind[1], check=True)

    def ours():
        runs = frame_bench(t, "particles", "^BM_ParticlesFrame/[01]/[1-9]")
        for (form, count), row in rows.items():
            t.add(row, ms(runs, "BM_ParticlesFrame/%d/%d" % (form, count)))

    def peer():
        for count in sorted({c for _, c in PARTICLES}):
            peer_frames = love_frame_run(t, LOVE_PS_COUNT=count)
            for (form, c), row in rows.items():
                if c == count:
                    t.add(row, peer=peer_frames)

    in_turn(n, ours, peer)


@frames
def text(t, n):
    cases = ((1, "changed", "text changed every frame, 20 paragraphs (ms) vs LOVE Text:setf"),
             (0, "unchanged", "text unchanged, 20 paragraphs (ms) vs LOVE Text kept"))
    rows = {c: t.row("text_" + key, label, 0.50, check=True) for c, key, label in cases}

    def ours():
        runs = frame_bench(t, "text_frame", "^BM_TextFrame")
        for changed, row in rows.items():
            t.add(row, ms(runs, "BM_TextFrame/%d" % changed))

    def peer():
        for changed, row in rows.items():
            t.add(row, peer=love_frame_run(t, LOVE_MODE="text", LOVE_FONT=FONT, LOVE_TEXT=PARAGRAPH,
                                           LOVE_TEXT_B=PARAGRAPH.replace("dusk", "dawn"), LOVE_TEXT_CHANGED=changed))

    in_turn(n, ours, peer)


def video(t, n):
    row = t.row("video", "video 1024x768 decode+convert+upload (ms) vs libtheora decode", 1.40, "in-process", True)
    for _ in range(2):  # processes differ more than repetitions do
        runs, _ = t.gbench("video", "^BM_TheoraDecodeAlone$|^BM_DecodeConvertUpload/0/2/1$")
        t.add(row, ms(runs, "BM_DecodeConvertUpload/0/2/1"), ms(runs, "BM_TheoraDecodeAlone"))


def module(t, n):
    load = t.row("module", "module of 1,000 objects (us) vs TinyXML parse", 2.00, "in-process", True)
    trigger = t.row("trigger", "trigger call, 2 parameters (ns) vs lua_pcall of compiled code", 2.70, "in-process",
                    True)
    reference = t.row("trigger_loadbuffer", "trigger call, 2 parameters (ns) vs luaL_loadbuffer+lua_pcall", None,
                      "in-process", True)
    # What a call costs beyond the least any call must do (a fresh parameter table, the global, the pcall).
    floor = t.row("trigger_floor", "trigger call, 2 parameters (ns) vs fresh ne_params table+lua_pcall", None,
                  "in-process")
    for _ in range(2):
        runs, _ = t.gbench("module", "")
        t.add(load, ms(runs, "BM_ModuleLoad", 1e3), ms(runs, "BM_TinyXmlParse", 1e3))
        t.add(trigger, ms(runs, "BM_TriggerCall", 1e6), ms(runs, "BM_LuaPcallCompiled", 1e6))
        t.add(reference, ms(runs, "BM_TriggerCall", 1e6), ms(runs, "BM_LuaPcall", 1e6))
        t.add(floor, ms(runs, "BM_TriggerCall", 1e6), ms(runs, "BM_LuaFreshParams", 1e6))


IN_PROCESS = (sprites, particles, text, video, module)


# ---- whole processes ----

def start(t, n):
    empty = t.row("start", "start to first frame (s) vs LOVE empty window, audio started", 0.85)
    hall = t.row("start_hall", "start to first frame (s) vs LOVE drawing the hall's pictures", None)
    exe = os.path.join(t.bin, "notengine")

    def ours():
        if not os.access(exe, os.X_OK):
            return t.fail("%s is missing: make build" % exe)
        for i in range(START_RUNS):
            user = tempfile.mkdtemp(dir=t.scratch)  # every start finds no player yet
            wall, _, _, status = t.run([exe, "--windowed", "--frames", "1"], os.path.join(ROOT, "sample"),
                                       dict(t.env, NOTENGINE_USER_DIR=user))
            if status != 0:
                return t.fail("notengine --frames 1: exit status %d: %s" % (status, t.last_error.strip()))
            t.add(empty, [wall])
            t.add(hall, [wall])

    def peer():
        # The sample's first window on this 1920x1080 screen is 1366x768; the game opens its sound device.
        for i in range(START_RUNS):
            for row, settings in ((empty, {}), (hall, {"LOVE_PICTURES": HALL})):
                result = t.love_run(LOVE_MODE="pictures", LOVE_WINDOW="1366x768", LOVE_AUDIO=1, **settings)
                t.add(row, peer=[result[1]] if result else [])

    in_turn(n, ours, peer)


def memory(t, n):
    row = t.row("memory", "peak memory, hall + attic pictures drawn once (MB) vs LOVE", 0.90)

    def ours():
        runs, rss = t.gbench("scene", "^BM_Pictures", once=True)
        t.add(row, [rss] if runs else [])

    def peer():
        result = t.love_run(LOVE_MODE="pictures", LOVE_PICTURES=HALL_AND_ATTIC, LOVE_AUDIO=1)
        t.add(row, peer=[result[2]] if result else [])

    in_turn(n, ours, peer)


# ---- our own figures, once ----

def walk(t):
    row = t.row("walk", "object tree walk, update + draw (ns per object)", 50, None)
    runs, _ = t.gbench("sprites", "^BM_UpdateWalk$|^BM_DrawWalk$")
    objects = 10000.0
    pairs = zip(sorted(ms(runs, "BM_UpdateWalk")), sorted(ms(runs, "BM_DrawWalk")))
    t.add(row, [(u + d) * 1e6 / objects for u, d in pairs])


def pacing(t):
    worst = t.row("pacing_worst", "frame pacing, 600 turns real time: worst frame (ms)", 2 * FRAME_PERIOD_MS, None)
    deviation = t.row("pacing_sd", "frame pacing, 600 turns real time: deviation (ms)", 1.0, None)
    runs, _ = t.gbench("sprites", "^BM_LoopCpu", once=True)
    for r in runs.get("BM_LoopCpu", []):
        t.add(worst, [r["worst_frame_ms"]])
        t.add(deviation, [r["frame_sd_ms"]])


def scale(t):
    """(copies, objects, [frame ms], peak MB) of the hall grown by clones, each size in a process of its own."""
    sizes = []
    for copies in (1, 10, 100):
        runs, rss = t.gbench("scene", "^BM_HallScale/%d/" % copies)
        records = runs.get("BM_HallScale/%d" % copies, [])
        if records:
            sizes.append((copies, int(records[0]["objects"]), [r["ms"] for r in records], rss))
    return sizes


def saves(t):
    """(file MB, [save ms], [load ms], save peak MB, load peak MB) per size of ng_global."""
    runs, _ = t.gbench("saves", "", repetitions=3)
    sizes = []
    for kb in (100, 1000, 10000):
        save, load = runs.get("BM_SaveGame/%d" % kb, []), runs.get("BM_LoadGame/%d" % kb, [])
        if save and load:
            sizes.append((save[0]["file_mb"], [r["ms"] for r in save], [r["ms"] for r in load],
                          max(r["peak_extra_mb"] for r in save), max(r["peak_extra_mb"] for r in load)))
    return sizes


# ---- printing ----

def fmt(v):
    return "%.0f" % v if v >= 100 else "%.1f" % v if v >= 10 else "%.2f" % v if v >= 1 else "%.3f" % v


def spread(samples):
    """How far the median sample lies above the minimum, in percent."""
    if len(samples) < 2:
        return "-"
    low = min(samples)
    return "%.0f%%" % ((statistics.median(samples) - low) / low * 100) if low > 0 else "-"


def print_table(t):
    print()
    print(textwrap.fill("Minimum of %d rounds x %d samples a side (a sample: at least %g s), frames %d rounds x %d "
                        "samples of at least %g s; spread: how far the median lies above the minimum; ratio below 1: "
                        "ours faster or smaller" % (ROUNDS, SAMPLES, SAMPLE_SECONDS, FRAME_ROUNDS, FRAME_SAMPLES,
                                                    FRAME_SAMPLE_SECONDS), 118))
    print("%-66s %8s %6s %8s %6s %6s %7s  %s" % ("workload", "ours", "spread", "peer", "spread", "ratio", "target",
                                                "met"))
    for row in t.rows.values():
        if not row.ours:
            print("%-66s  no figure (failed, see above)" % row.label)
            continue
        ours = "%-66s %8s %6s" % (row.label, fmt(min(row.ours)), spread(row.ours))
        if row.missing:
            print("%s  %s" % (ours, row.missing))
            continue
        peer = ("%8s %6s" % (fmt(min(row.peer)), spread(row.peer))) if row.peer else "%8s %6s" % ("-", "")
        ratio = row.ratio()
        value = row.value()
        target = "-" if row.target is None else ("%.2f" % row.target if row.peer_kind else fmt(row.target))
        met = "-" if row.target is None or value is None else ("yes" if value <= row.target else "NO")
        print("%s %s %6s %7s  %s" % (ours, peer, "-" if ratio is None else "%.2f" % ratio, target, met))
    notes = ("Text: 20 paragraphs of 300 characters wrapped at 400 px (DejaVu Serif, 20 px) in a cleared, presented "
             "1024x768 frame. Changed: each gets a new string every frame, which ours lays out, rasterises and "
             "uploads, and LOVE's Text lays out again from the glyphs its font keeps. Unchanged: drawn again, ours "
             "from the texture each text keeps, LOVE's Text from the glyphs it keeps.",
             "Start: the whole sample (notengine --frames 1, a fresh user folder each time) to its first frame; "
             "LOVE's window is the sample's (1366x768) with its audio started, as the game opens its sound device, "
             "once empty and once drawing the hall's %d pictures. Memory: the peak resident size of each process, "
             "both with their audio started, holding the %d pictures of the hall and the attic."
             % (len(HALL.split(":")), len(HALL_AND_ATTIC.split(":"))))
    for note, row in zip(notes, ("text_changed", "start")):
        if row in t.rows:
            print(textwrap.fill(note, 118))


def print_scale(sizes):
    if not sizes:
        return
    print("\nScale: the sample's hall, its objects (sprites, text, particle system) cloned; update + presented frame")
    print("%8s %8s %10s %6s %8s %10s %8s" % ("copies", "objects", "frame ms", "spread", "x one", "peak MB", "x one"))
    frame0, rss0 = min(sizes[0][2]), sizes[0][3]
    for copies, objects, frames, rss in sizes:
        print("%8d %8d %10s %6s %8.2f %10.1f %8.2f" % (copies, objects, fmt(min(frames)), spread(frames),
                                                       min(frames) / frame0, rss, rss / rss0))


def print_saves(sizes):
    if not sizes:
        return
    print("\nSaves: ng_global saved and loaded through the game's save code; peak: the most a call held above what")
    print("the process held before it")
    print("%8s %10s %6s %10s %6s %13s %13s" % ("file MB", "save ms", "spread", "load ms", "spread", "save peak MB",
                                               "load peak MB"))
    for mb, save, load, save_peak, load_peak in sizes:
        print("%8.2f %10s %6s %10s %6s %13.1f %13.1f" % (mb, fmt(min(save)), spread(save), fmt(min(load)),
                                                         spread(load), save_peak, load_peak))


# ---- the regression check ----

def compare(baseline, now, tolerance=TOLERANCE):
    """(key, baseline ratio, ratio now, verdict) for every row of either: "worse" when now exceeds the baseline by
    more than the tolerance, "ok", "new" without a baseline, "not measured" without a ratio now."""
    result = []
    for key in list(baseline) + [k for k in now if k not in baseline]:
        old, new = baseline.get(key), now.get(key)
        if new is None:
            verdict = "not measured"
        elif old is None:
            verdict = "new"
        else:
            verdict = "worse" if new > old * (1 + tolerance) else "ok"
        result.append((key, old, new, verdict))
    return result


def read_baseline(path):
    try:
        with open(path) as f:
            rows = json.load(f).get("ratios", {})
    except (OSError, ValueError, AttributeError):
        return {}
    return {k: float(v) for k, v in rows.items() if isinstance(v, (int, float))}


def write_baseline(path, old, now):
    """Rows measured now replace their old ratios; rows not measured keep theirs."""
    ratios = dict(old)
    ratios.update(now)
    with open(path, "w") as f:
        json.dump({"about": "Ratios (ours / peer) of the in-process rows of bench/table.py, the GL driver rasterising "
                            "on the drawing thread, compared by `make bench-check`; rewritten by `make bench-check "
                            "UPDATE=1` after an intended change.",
                   "ratios": {k: round(v, 4) for k, v in sorted(ratios.items())}}, f, indent=2)
        f.write("\n")


def ratios(t):
    return {row.key: row.ratio() for row in t.rows.values() if row.check and row.ratio() is not None}


def higher(first, second):
    """Per row the higher ratio of two independent passes: a baseline taken at one pass's quiet moment would make
    later checks of unchanged code fail."""
    return {key: max(ratio, second.get(key, ratio)) for key, ratio in first.items()}


def confirm(t, again, path=BASELINE, times=2):
    """Measures again, through `again` (given the rows' keys), every row that looks worse than its baseline, up to
    `times` times: a quiet moment missed before then lowers its minimum, where a real slowdown stays."""
    baseline = read_baseline(path)
    for _ in range(times):
        worse = [key for key, _, _, verdict in compare(baseline, ratios(t)) if verdict == "worse"]
        if not worse:
            return
        print("\nbench-check: worse so far, measured again: %s" % ", ".join(worse), flush=True)
        again(worse)


def check(t, update, path=BASELINE, now=None):
    """Compares each checked row (its ratio in `now`, else in `t`) with its baseline and prints the comparison; 1
    when a row is worse past the tolerance (or, with `update`, when a benchmark failed and the baseline was kept),
    else 0."""
    baseline = read_baseline(path)
    now = ratios(t) if now is None else now
    results = compare(baseline, now)
    print("\nbench-check against %s (ratios; worse by more than %d%% fails)" % (os.path.relpath(path, ROOT),
                                                                                   TOLERANCE * 100))
    print("%-24s %9s %7s %8s  %s" % ("row", "baseline", "now", "change", ""))
    for key, old, new, verdict in results:
        change = "%+.1f%%" % ((new / old - 1) * 100) if old and new else ""
        note = {"worse": "WORSE", "new": "no baseline yet", "ok": "",
                "not measured": t.rows[key].missing if key in t.rows and t.rows[key].missing else "not measured"}
        print("%-24s %9s %7s %8s  %s" % (key, "-" if old is None else "%.3f" % old,
                                         "-" if new is None else "%.3f" % new, change, note[verdict]))
    if update:
        if t.failures:
            print("bench-check: the baseline is kept, a benchmark failed")
            return 1
        write_baseline(path, baseline, now)
        print("bench-check: %s rewritten from this run (%d rows)" % (os.path.relpath(path, ROOT), len(now)))
        return 0
    worse = [key for key, _, _, verdict in results if verdict == "worse"]
    if worse:
        print("bench-check: FAILED: worse by more than %d%%: %s" % (TOLERANCE * 100, ", ".join(worse)))
        return 1
    unmeasured = [key for key, _, _, verdict in results if verdict != "ok"]
    print("bench-check: passed" + (" (not compared: %s)" % ", ".join(unmeasured) if unmeasured else ""))
    return 0


# ---- the run ----

def run_every_program(t):
    """Each benchmark program once in full, its own output shown; a failed program or benchmark is recorded."""
    for name in sorted(os.listdir(t.bin)):
        if not name.startswith("bench_"):
            continue
        print("\n== %s ==" % name, flush=True)
        out = os.path.join(t.scratch, name + ".json")
        _, _, _, status = t.run([os.path.join(t.bin, name), "--benchmark_out=" + out, "--benchmark_out_format=json"],
                                echo=True)
        try:
            with open(out) as f:
                records = json.load(f).get("benchmarks", [])
        except (OSError, ValueError):
            records = []
        if status != 0 or not records:
            t.fail("%s: exit status %d, no figures" % (name, status))
        for r in records:
            if r.get("error_occurred"):
                t.fail("%s %s: %s" % (name, r["name"], r.get("error_message", "error")))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default="build")
    parser.add_argument("--all", action="store_true")
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--update", action="store_true")
    args = parser.parse_args(argv)
    began = time.monotonic()
    t = Table(os.path.join(ROOT, args.build))
    if args.check:
        # Mesa's software rasteriser on the drawing thread rather than on every core: a frame's cost then stays in
        # one thread on both sides, which other work on the machine moves little (ratios steady to a few percent).
        t.env["LP_NUM_THREADS"] = "0"
    if not t.love:
        print(LOVE_HINT)
    if args.all:
        run_every_program(t)
    print("\n== the table ==", flush=True)

    def measure(groups, table=t):
        for n in range(max(ROUNDS, FRAME_ROUNDS)):
            for group in groups:
                if n < (FRAME_ROUNDS if getattr(group, "frames", False) else ROUNDS):
                    table.group = group
                    group(table, n)

    def again(keys):
        measure([g for g in IN_PROCESS if g in {t.rows[k].group for k in keys}])

    measure(IN_PROCESS + (() if args.check else (start, memory)))
    now = None
    if args.check and not args.update:
        confirm(t, again)
    elif args.check:
        print("\nbench-check: a second pass for the baseline", flush=True)
        second = Table(os.path.join(ROOT, args.build))
        second.env = dict(t.env, NOTENGINE_USER_DIR=second.env["NOTENGINE_USER_DIR"])
        measure(IN_PROCESS, second)
        t.failures += second.failures
        shutil.rmtree(second.scratch, ignore_errors=True)
        now = higher(ratios(t), ratios(second))
    sizes = saved = None
    if not args.check:
        walk(t)
        pacing(t)
        sizes, saved = scale(t), saves(t)
    print_table(t)
    print_scale(sizes)
    print_saves(saved)
    status = check(t, args.update, now=now) if args.check else 0
    shutil.rmtree(t.scratch, ignore_errors=True)
    print("\n%s took %.0f s" % ("bench-check" if args.check else "bench", time.monotonic() - began))
    if t.failures:
        print("FAILED: %d benchmark(s):\n  %s" % (len(t.failures), "\n  ".join(t.failures)))
        return 1
    return status


if __name__ == "__main__":
    sys.exit(main())
