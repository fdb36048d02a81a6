#!/usr/bin/env bash
# The program on a Wayland desktop with no X server at all: weston's headless
# compositor, Qt's own Wayland platform. The window must come up titled
# "Velmora", never smaller than its default size, painted, and close cleanly at the end of the session.
#   tests/wayland_window.sh <velmora program> [screenshot folder]
set -euo pipefail
program=$(realpath "$1")
shots=${2:-}
. "$(dirname "$0")/private_display.sh"

private_runtime
export WAYLAND_DISPLAY=velmora-test
weston --backend=headless-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" --width=1024 --height=768 \
    --idle-time=0 --debug >"$work/weston.log" 2>&1 &
pids+=($!)
if ! waited 20 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY"; then
    echo "FAILED: weston did not start"; cat "$work/weston.log"; exit 1
fi

start_on_wayland "$program"
shown() {
    grep -q 'xdg_toplevel@[0-9]*\.set_title("Velmora")' "$work/program.log" &&
        grep -q 'wl_surface@[0-9]*\.attach(wl_buffer@' "$work/program.log"
}
status=0
if waited 20 shown; then
    echo "ok: the window came up on Wayland"
else
    echo "FAILED: no window on Wayland"
    grep -v '^\[' "$work/program.log" | head -n 20
    status=1
fi
# The window may grow without bound, never below its default size.
if grep -qE 'xdg_toplevel@[0-9]*\.set_min_size\(600, [0-9]+\)' "$work/program.log" &&
        ! grep -E 'xdg_toplevel@[0-9]*\.set_max_size\(' "$work/program.log" | grep -qv 'set_max_size(0, 0)'; then
    echo "ok: its smallest size the default, no largest"
else
    echo "FAILED: the window's size is bounded"
    grep -E 'set_(min|max)_size' "$work/program.log" | head -n 4
    status=1
fi
if [ -n "$shots" ] && [ "$status" = 0 ]; then
    mkdir -p "$shots"
    (cd "$shots" && rm -f wayland-screenshot-*.png && timeout 20 weston-screenshooter) &&
        echo "screenshot: $(ls "$shots"/wayland-screenshot-*.png)" || echo "(no screenshot)"
fi

# The end of the session: the window closes as its close box does.
kill -TERM "$app"
if waited 20 bash -c "! kill -0 $app 2>/dev/null"; then
    code=0
    wait "$app" || code=$?
    if [ "$code" = 0 ]; then echo "ok: the program closed cleanly"; else echo "FAILED: exit status $code"; status=1; fi
else
    echo "FAILED: the program did not close"
    status=1
fi
if grep -q -E 'Could not find the Qt platform plugin|failed to start|Segmentation|Aborted' "$work/program.log"; then
    grep -E 'Could not find the Qt platform plugin|failed to start' "$work/program.log"
    status=1
fi
exit "$status"
