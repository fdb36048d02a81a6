#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite twice:
# a normal build and an AddressSanitizer + UBSan build, then the fuzzers.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy

"$top/scripts/build.sh" "$top/build-test" RelWithDebInfo
(cd "$top/build-test" && ctest --output-on-failure -j "$jobs")

"$top/scripts/build.sh" "$top/build-asan" Sanitize
(cd "$top/build-asan" && ctest --output-on-failure -j "$jobs")

# Every fuzzer for a bounded time (VELMORA_FUZZ_SECONDS, default 30 s each).
"$top/scripts/fuzz.sh" "${VELMORA_FUZZ_SECONDS:-30}"
