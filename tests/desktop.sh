#!/usr/bin/env bash
# Runs a check of the real window on a private Xvfb under openbox:
#   tests/desktop.sh <check program> [arguments...]
set -euo pipefail
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb names its display on the pipe once it takes connections.
mkfifo "$work/display"
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
read -r number < "$work/display"
export DISPLAY=":$number" SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb

# The window manager announces itself on the root window once it manages the screen.
coproc SPY { exec xprop -root -spy; }
pids+=($SPY_PID)
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
up=""
while read -r -t 20 line <&"${SPY[0]}"; do
    case $line in "_NET_SUPPORTING_WM_CHECK(WINDOW)"*) up=yes; break ;; esac
done
[ -n "$up" ] || { echo "openbox did not come up"; exit 1; }

"$@"
