#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite twice:
# a normal build and an AddressSanitizer + UBSan build, then the fuzzers.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
jobs="$(nproc)"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
# A test that fails is run once more: the checks on a real X server under a
# window manager depend on its timing on a loaded machine. A real fault fails twice.

"$top/scripts/build.sh" "$top/build-test" RelWithDebInfo
(cd "$top/build-test" && ctest --output-on-failure -j "$jobs" --repeat until-pass:2)

"$top/scripts/build.sh" "$top/build-asan" Sanitize
(cd "$top/build-asan" && ctest --output-on-failure -j "$jobs" --repeat until-pass:2)

# Every fuzzer for a bounded time (VELMORA_FUZZ_SECONDS, default 30 s each).
"$top/scripts/fuzz.sh" "${VELMORA_FUZZ_SECONDS:-30}"
