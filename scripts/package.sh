#!/usr/bin/env bash
# Builds the Debian packages with Debian's own tools (debian/, debhelper,
# dpkg-buildpackage) in a clean copy of the sources, and puts them in one folder:
#   scripts/package.sh [--no-setup] [output folder, default build-pkg]
# giving velmora_<version>_<architecture>.deb and velmora-data_<version>_all.deb.
# Install them with: sudo apt install ./build-pkg/velmora_*.deb ./build-pkg/velmora-data_*.deb
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
setup=1
if [ "${1:-}" = "--no-setup" ]; then setup=0; shift; fi
out="$(mkdir -p "${1:-$top/build-pkg}" && cd "${1:-$top/build-pkg}" && pwd)"
[ "$setup" -eq 0 ] || "$top/scripts/setup.sh"

# dpkg-buildpackage builds inside the source folder and writes beside it:
# a copy of the sources (the files git keeps, or all but the build folders)
# keeps both the work tree and its parent clean.
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/velmora"
if git -C "$top" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git -C "$top" ls-files -z --cached --others --exclude-standard \
    | (cd "$top" && xargs -0 -r cp -a --parents -t "$work/velmora" 2>/dev/null || true)
else
  tar -C "$top" --exclude='./build*' --exclude='./.git' -cf - . | tar -C "$work/velmora" -xf -
fi
# The build reuses the compiler cache of the user who runs it (debhelper
# gives the build a home of its own).
export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ccache}"
(cd "$work/velmora" && dpkg-buildpackage -b -us -uc)

rm -f "$out"/velmora*.deb "$out"/velmora*.ddeb "$out"/velmora*.changes "$out"/velmora*.buildinfo
cp "$work"/velmora*.deb "$work"/velmora*.changes "$work"/velmora*.buildinfo "$out"/
cp "$work"/velmora*.ddeb "$out"/ 2>/dev/null || true
for deb in "$out"/velmora*.deb; do
  dpkg-deb --info "$deb"
  dpkg-deb --contents "$deb"
done
echo "Made:"
ls -1 "$out"/velmora*.deb
