#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh <folder> <build type> [cmake options...]
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; type="$2"; shift 2
export CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=true
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="$type" "$@" > "$dir.configure.log" 2>&1 \
  || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j "$(nproc)"
