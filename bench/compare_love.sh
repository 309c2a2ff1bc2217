#!/bin/sh
# Mean frame time of 10,000 alpha-blended 32x32 sprites in a 1024x768 window:
# bench_sprites (BM_SpritesFrame) against the same scene in LOVE 11, one after
# the other on the same kind of Xvfb screen. Prints both and their ratio.
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

if ! command -v love >/dev/null 2>&1; then
    echo "compare_love: installing the Debian package love for the comparison"
    as_root=""
    [ "$(id -u)" = 0 ] || as_root="sudo -n"
    $as_root apt-get install -y love >/dev/null 2>&1 ||
        { $as_root apt-get update >/dev/null 2>&1 && $as_root apt-get install -y love >/dev/null 2>&1; }
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
    echo "compare_love: LOVE is not installed and apt could not install it (package love); no comparison"
    exit 0
fi
out=$(SDL_AUDIODRIVER=dummy xvfb-run -a -s "$screen" love "$here/love" 2>/dev/null)
theirs=$(echo "$out" | sed -n 's/^love_frame_ms //p')
love_calls=$(echo "$out" | sed -n 's/^love_draw_calls_per_frame //p')
if [ -z "$theirs" ]; then
    echo "compare_love: LOVE gave no figure"
    exit 1
fi
awk -v t="$theirs" -v c="${love_calls:-0}" 'BEGIN { printf "LOVE 11:   mean frame %.2f ms, %d draw calls per frame\n", t, c }'
awk -v a="$ours" -v b="$theirs" 'BEGIN { printf "ratio notEngine / LOVE: %.2f (below 1: notEngine faster)\n", a / b }'
