#!/usr/bin/env bash
# Starts the program on a private Xvfb, first without a window manager, then
# under openbox, and checks where its window stands each time.
#   tests/window_frame.sh <window_frame checker> <velmora program>
set -euo pipefail
checker=$1
program=$2
. "$(dirname "$0")/private_display.sh"

private_xvfb 1024x768
unset QT_QPA_PLATFORM
cd "$work"

"$checker" "$program"

openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
"$checker" --wm "$program"

# A desktop with a 30-pixel top bar: the frame stands just below it.
"$checker" --wm --bar 30 "$program"

# 1.5x on a 1024 x 768 screen: too tall at that scale, the window comes at a scale that fits.
QT_SCALE_FACTOR=1.5 "$checker" --wm "$program"
