#!/usr/bin/env bash
# Prints every performance figure: the micro-benchmarks, start-up against a bare
# Qt window, then the whole program under Xvfb.
# Release build in build-bench/; takes about three minutes once built.
# VELMORA_BENCH_ROUNDS sets the start-up rounds (default 11).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
mkdir -p "$top/build-bench"
"$top/scripts/build.sh" "$top/build-bench" Release -DVELMORA_BENCH=ON -DVELMORA_TESTS=OFF > "$top/build-bench/build.log" 2>&1 \
  || { cat "$top/build-bench/build.log"; exit 1; }
bin="$top/build-bench/bin"
cd "$bin"
# A fresh runtime folder keeps Qt's warnings out of the figures,
XDG_RUNTIME_DIR="$(mktemp -d)"
# and a private configuration folder keeps the user's own settings out of the measurements.
XDG_CONFIG_HOME="$XDG_RUNTIME_DIR/config"
export XDG_RUNTIME_DIR XDG_CONFIG_HOME
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT
echo "== $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), load $(cut -d' ' -f1-3 /proc/loadavg) =="
echo "== micro-benchmarks (Release; the times that count are CPU times) =="
QT_QPA_PLATFORM=offscreen ./bench_core --benchmark_min_time=0.5 --benchmark_color=false "$@"
echo
echo "== start-up: velmora and a bare Qt window with a menu bar, fresh processes, interleaved, under one Xvfb =="
# Started in a folder of its own whose settings turn the music on; the library
# and the wave files are found beside the program.
work="$XDG_RUNTIME_DIR/work"
mkdir -p "$work"
printf 'BGM=ON\r\n' > "$work/Velmora.ini"
(cd "$work" && SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1024x768x24" \
  "$bin/velmora_startup" "${VELMORA_BENCH_ROUNDS:-11}" "$bin/velmora" "$bin/velmora_bare_window")
echo "   (load afterwards $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "== start-up phase by phase: the traced builds of both, interleaved, marks after exec (app/startup_marks.h) =="
(cd "$work" && SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1024x768x24" \
  "$bin/velmora_startup" --phases "${VELMORA_BENCH_ROUNDS:-11}" "$bin/velmora_traced" "$bin/velmora_bare_traced") \
  | grep -v '^  round'
echo "   (load afterwards $(cut -d' ' -f1-3 /proc/loadavg))"
echo
echo "== the whole program under Xvfb =="
SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1024x768x24" ./velmora_perf
