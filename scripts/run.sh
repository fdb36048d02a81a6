#!/usr/bin/env bash
# Installs what is missing, builds Velmora and starts it from its run folder.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build" RelWithDebInfo -DVELMORA_TESTS=OFF
cd "$top/build/bin"
exec ./velmora "$@"
