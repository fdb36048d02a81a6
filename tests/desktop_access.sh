#!/usr/bin/env bash
# The program with the keyboard alone and through AT-SPI, as a blind player
# meets it: Xvfb, openbox and a private D-Bus session with the accessibility bus.
#   tests/desktop_access.sh <velmora program> reader|menubar|game
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")
. "$here/private_display.sh"

unset QT_QPA_PLATFORM
private_xvfb 1024x768 openbox
cd "$work"
export NO_AT_BRIDGE=0 GTK_MODULES=
dbus-run-session -- /usr/bin/python3 "$here/desktop_access.py" "$program" "$2"
