#!/usr/bin/env bash
# Builds a Release build in build-pkg and makes the Debian package there:
# build-pkg/velmora_<version>_<architecture>.deb, installing under /usr.
# Install it with: sudo apt install ./build-pkg/velmora_*.deb
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
"$top/scripts/build.sh" "$top/build-pkg" Release -DVELMORA_TESTS=OFF
cd "$top/build-pkg"
rm -f velmora_*.deb
cpack -G DEB
deb="$(ls velmora_*.deb)"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb"
echo "Made $top/build-pkg/$deb"
