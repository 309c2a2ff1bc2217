#!/bin/sh
# Mean frame time of 10,000 alpha-blended 32x32 sprites in a 1024x768 window:
# bench_sprites (BM_SpritesFrame) against the same scene in LOVE 11, one after
# the other on the same kind of Xvfb screen. Prints both and their ratio.
# Then particle systems of 1,000, 10,000 and 50,000 live particles of the same
# picture, updated and drawn every frame: bench_particles (BM_ParticlesFrame,
# emitter-file and scripted) against one LOVE 11 ParticleSystem, with the draw
# calls per frame of each.
# LOVE's figure is the fastest of its samples (bench/love/main.lua). It installs
# nothing: without LOVE it prints our figures and how to install the peer.
# BUILD names the build folder (default: build).
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${BUILD:-build}
case "$build" in /*) ;; *) build="$root/$build" ;; esac
bench="$build/bin/bench_sprites"
screen="-screen 0 1920x1080x24"

if [ ! -x "$bench" ]; then
    echo "compare_love: $bench is missing; build first (make build)"
    exit 1
fi

json=$(ALSOFT_DRIVERS=null xvfb-run -a -s "$screen" "$bench" --benchmark_filter=BM_SpritesFrame \
    --benchmark_format=json 2>/dev/null)
ours=$(echo "$json" | sed -n 's/.*"real_time": *\([0-9.eE+-]*\).*/\1/p' | head -n 1)
calls=$(echo "$json" | sed -n 's/.*"draw_calls_per_frame": *\([0-9.eE+-]*\).*/\1/p' | head -n 1)
if [ -z "$ours" ]; then
    echo "compare_love: bench_sprites gave no figure"
    exit 1
fi
awk -v t="$ours" -v c="${calls:-0}" 'BEGIN { printf "notEngine: mean frame %.2f ms, %d draw calls per frame\n", t, c }'

if ! command -v love >/dev/null 2>&1; then
    echo "compare_love: peer not installed: sudo apt-get install love (LOVE 11); no comparison"
    exit 0
fi
out=$(SDL_AUDIODRIVER=dummy xvfb-run -a -s "$screen" love "$here/love" 2>/dev/null)
theirs=$(echo "$out" | sed -n 's/^love_frame_ms //p' | sort -n | head -n 1)
love_calls=$(echo "$out" | sed -n 's/^love_draw_calls_per_frame //p')
if [ -z "$theirs" ]; then
    echo "compare_love: LOVE gave no figure"
    exit 1
fi
awk -v t="$theirs" -v c="${love_calls:-0}" 'BEGIN { printf "LOVE 11:   mean frame %.2f ms, %d draw calls per frame\n", t, c }'
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio notEngine / LOVE: %.2f (below 1: notEngine faster)\n", a / b }'

# ---- particle systems ----
pbench="$build/bin/bench_particles"
if [ ! -x "$pbench" ]; then
    echo "compare_love: $pbench is missing; no particle comparison"
    exit 0
fi
pjson=$(mktemp)
trap 'rm -f "$pjson"' EXIT
# The machine may be shared: each side is run three times and the medians compared.
ALSOFT_DRIVERS=null xvfb-run -a -s "$screen" "$pbench" --benchmark_filter=BM_ParticlesFrame \
    --benchmark_repetitions=3 --benchmark_report_aggregates_only=true --benchmark_format=json >"$pjson" 2>/dev/null
love_figures=""
for count in 0 1000 10000 50000; do
    for run in 1 2 3; do
        out=$(LOVE_PS_COUNT=$count SDL_AUDIODRIVER=dummy \
            xvfb-run -a -s "$screen" love "$here/love" 2>/dev/null)
        ms=$(echo "$out" | sed -n 's/^love_frame_ms //p' | sort -n | head -n 1)
        dc=$(echo "$out" | sed -n 's/^love_draw_calls_per_frame //p')
        cpu=$(echo "$out" | sed -n 's/^love_cpu_ms //p' | sort -n | head -n 1)
        love_figures="$love_figures $count:${ms:-0}:${dc:-0}:${cpu:-0}"
    done
done
python3 - "$pjson" $love_figures <<'PY'
import json, statistics, sys
runs = [r for r in json.load(open(sys.argv[1])).get("benchmarks", []) if r.get("aggregate_name") == "median"]
love = {}
for c, m, d, u in (a.split(":") for a in sys.argv[2:]):
    love.setdefault(int(c), []).append((float(m), float(d), float(u)))
print("Wall time and processor time (all threads) per frame, medians of 3 runs:")
print("particles  form          notEngine ms  cpu ms  calls   LOVE ms  cpu ms  calls   ratio  cpu ratio")
for run in runs:
    parts = run["run_name"].split("/")  # BM_ParticlesFrame/<form>/<count>/...
    form, count = int(parts[1]), int(parts[2])
    figures = love.get(count, [(0.0, 0.0, 0.0)])
    theirs = statistics.median(f[0] for f in figures)
    their_cpu = statistics.median(f[2] for f in figures)
    calls = max(f[1] for f in figures)
    cpu = run.get("cpu_ms_per_frame", 0.0)
    ratio = run["real_time"] / theirs if theirs else float("nan")
    cpu_ratio = cpu / their_cpu if their_cpu else float("nan")
    kind = "(frame only)" if count == 0 else ("emitter-file" if form == 0 else "scripted")
    print("%9d  %-12s  %12.2f  %6.2f  %5d  %8.2f  %6.2f  %5d  %6.2f  %9.2f" % (
        count, kind, run["real_time"], cpu, run.get("draw_calls_per_frame", 0), theirs, their_cpu, calls,
        ratio, cpu_ratio))
print("(ratio below 1: notEngine faster; targets: emitter-file at most 0.70, scripted at most 0.85)")
PY
