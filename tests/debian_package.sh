#!/bin/sh
# Builds the Debian packages with scripts/package.sh into a folder of its own
# and runs lintian on them, every tag shown (pedantic and informational ones
# too): the packages pass only when lintian has nothing to say.
#   debian_package.sh <output folder>
# Exit status 77 (skipped) only when Debian's packaging tools are not installed.
top="$(cd "$(dirname "$0")/.." && pwd)"
out="$1"
for tool in dpkg-buildpackage dh lintian; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
    exit 77
  fi
done
rm -rf "$out"
"$top/scripts/package.sh" --no-setup "$out" >"$out.log" 2>&1 || {
  tail -n 60 "$out.log"
  echo "FAULT: the packages could not be built (whole log: $out.log)"
  exit 1
}
echo "built:"; ls -1 "$out"/*.deb
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$out"/*.changes >"$out.lintian" 2>&1
rc=$?
grep -v 'running with root privileges' "$out.lintian"
if [ "$rc" -ne 0 ] || grep -q '^[EWIPX]: ' "$out.lintian"; then
  echo "FAULT: lintian has something to say (status $rc)"
  exit 1
fi
echo "lintian: nothing to say"
