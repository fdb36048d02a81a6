#!/usr/bin/env bash
# Prints every performance figure: the micro-benchmarks, then the whole program under Xvfb.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build-bench" Release -DVELMORA_BENCH=ON -DVELMORA_TESTS=OFF
cd "$top/build-bench/bin"
echo "== micro-benchmarks =="
QT_QPA_PLATFORM=offscreen ./bench_core --benchmark_min_time=0.2
echo
echo "== the whole program under Xvfb =="
SDL_AUDIODRIVER=dummy xvfb-run -a -s "-screen 0 1024x768x24" ./velmora_perf
