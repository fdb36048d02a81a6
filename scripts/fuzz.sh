#!/usr/bin/env bash
# Builds every fuzzer with clang and libFuzzer and runs each one for a while:
#   scripts/fuzz.sh [seconds per fuzzer, default 30]
# fuzz/fuzz_<name>.cpp starts from a copy of fuzz/corpus/<name>/ (and uses
# fuzz/<name>.dict when there is one); a crash leaves its input in
# build-fuzz/crashes/<name>/ and makes the script fail.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-${VELMORA_FUZZ_SECONDS:-30}}"
dir="$top/build-fuzz"
export CC=clang CXX=clang++ CCACHE_BASEDIR="$top" CCACHE_NOHASHDIR=true
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1" UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$top/fuzz/lsan.supp:print_suppressions=0"

cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_FUZZ=ON -DVELMORA_TESTS=OFF \
  > "$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" --target velmora_fuzzers -j "$(nproc)"

status=0
# Run by hand, a fuzzer takes its folders relative to where it is started and
# leaves nothing else there: two runs on a relative corpus folder of one seed.
scratch="$dir/relative"
for src in "$top"/fuzz/fuzz_*.cpp; do
  fuzzer="$(basename "$src" .cpp)"
  name="${fuzzer#fuzz_}"
  rm -rf "$scratch"
  mkdir -p "$scratch/corpus"
  seed="$(find "$top/fuzz/corpus/$name" -type f 2>/dev/null | sort | head -n 1)"
  if [ -n "$seed" ]; then cp "$seed" "$scratch/corpus/"; fi
  if ! (cd "$scratch" && "$dir/bin/$fuzzer" -runs=2 corpus) > "$scratch.log" 2>&1; then
    echo "== $fuzzer FAILED on a relative corpus folder:"; tail -n 5 "$scratch.log"; status=1
  elif [ "$(ls -A "$scratch")" != "corpus" ]; then
    echo "== $fuzzer FAILED: it left files in the folder it was started from:"; ls -A "$scratch"; status=1
  fi
done
rm -rf "$scratch"

for src in "$top"/fuzz/fuzz_*.cpp; do
  fuzzer="$(basename "$src" .cpp)"
  name="${fuzzer#fuzz_}"
  corpus="$dir/corpus/$name"
  crashes="$dir/crashes/$name"
  rm -rf "$corpus"
  mkdir -p "$corpus" "$crashes"
  if [ -d "$top/fuzz/corpus/$name" ]; then cp -R "$top/fuzz/corpus/$name/." "$corpus/"; fi
  extra=()
  if [ -f "$top/fuzz/$name.dict" ]; then extra+=("-dict=$top/fuzz/$name.dict"); fi
  # The fuzzers refuse longer inputs: a full record file, a script of some hundred commands.
  case "$name" in
    kifu) extra+=("-max_len=24576") ;;
    play) extra+=("-max_len=512") ;;
  esac
  # fuzz_play's scripts allocate at every command; recording where each block
  # came from took about a quarter of its time. Every access is still checked; a
  # crash is replayed below with the full allocation stacks.
  asan="$ASAN_OPTIONS"
  if [ "$name" = play ]; then asan="$ASAN_OPTIONS:malloc_context_size=0"; fi
  echo "== $fuzzer: ${seconds}s on $(find "$corpus" -type f | wc -l) seed files"
  if ! ASAN_OPTIONS="$asan" "$dir/bin/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$crashes/" -print_final_stats=1 ${extra[@]+"${extra[@]}"} "$corpus"; then
    echo "== $fuzzer FAILED: the input is in $crashes/ (add it to fuzz/corpus/$name/ once fixed)"
    if [ "$asan" != "$ASAN_OPTIONS" ]; then
      echo "== $fuzzer: the inputs again, with the allocation stacks:"
      "$dir/bin/$fuzzer" "$crashes"/* 2>&1 | tail -n 60 || true
    fi
    status=1
  fi
done
exit "$status"
