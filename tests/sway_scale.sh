#!/usr/bin/env bash
# The program on sway's headless output, a tiling compositor that draws no
# title bars: made full-screen and tiled with swaymsg, and the output's scale
# changed while it runs. Each time the window must take the size the
# compositor asks for (the board fits the screen) and stay up.
#   tests/sway_scale.sh <velmora program>
set -euo pipefail
program=$(realpath "$1")
. "$(dirname "$0")/private_display.sh"

private_runtime
printf 'output HEADLESS-1 resolution 1200x900\ndefault_border none\n' >"$work/config"
# sway will not run as root: then it runs as nobody, in a folder of its own.
as=()
if [ "$(id -u)" = 0 ]; then
    chown 65534:65534 "$XDG_RUNTIME_DIR"
    chmod 755 "$work"
    as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    "${as[@]}" env HOME="$work" sway -c "$work/config" >"$work/sway.log" 2>&1 &
pids+=($!)
up() { compgen -G "$XDG_RUNTIME_DIR/sway-ipc*" >/dev/null && compgen -G "$XDG_RUNTIME_DIR/wayland-?" >/dev/null; }
if ! waited 20 up; then echo "FAILED: sway did not start"; cat "$work/sway.log"; exit 1; fi
export SWAYSOCK WAYLAND_DISPLAY
SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc*" | head -n 1)
WAYLAND_DISPLAY=$(basename "$(compgen -G "$XDG_RUNTIME_DIR/wayland-?" | head -n 1)")

start_on_wayland "$program"
status=0
shown() { grep -q 'wl_surface@[0-9]*\.attach(wl_buffer@' "$work/program.log"; }
# sway knows the window by its title before it is told about it.
titled() { swaymsg -t get_tree | grep -q '"name": "Velmora"'; }
if ! waited 20 shown || ! waited 20 titled; then
    echo "FAILED: no window"; grep -v '^\[' "$work/program.log" | head; exit 1
fi

# After each order: the compositor's last configure of this size, answered
# with a window geometry of the same size.
answered() {
    local asked
    asked=$(grep -oE 'xdg_toplevel@[0-9]+\.configure\([0-9]+, [0-9]+' "$work/program.log" | tail -n 1 | sed 's/.*(//')
    [ "$asked" = "$1" ] && grep -E 'set_window_geometry\(' "$work/program.log" | tail -n 1 | grep -q "(0, 0, $1)"
}
step() {  # step WHAT "W, H" swaymsg-arguments...
    local what=$1 size=$2
    shift 2
    swaymsg "$@" >/dev/null || { echo "FAILED: swaymsg $*"; exit 1; }
    if waited 20 answered "$size"; then
        echo "ok: $what: the window is $size"
    else
        echo "FAILED: $what: the compositor asked for $size, the window answered:"
        grep -E 'set_window_geometry\(' "$work/program.log" | tail -n 1
        status=1
    fi
    # And its smallest size fits too: a window larger than the screen shows only part of the board.
    local least
    least=$(grep -oE 'set_min_size\([0-9]+, [0-9]+' "$work/program.log" | tail -n 1 | sed 's/.*(//')
    if [ "${least%%,*}" -le "${size%%,*}" ] && [ "${least##* }" -le "${size##* }" ]; then
        echo "ok: $what: its smallest size $least fits"
    else
        echo "FAILED: $what: its smallest size $least is larger than the screen"
        status=1
    fi
    if ! kill -0 "$app" 2>/dev/null || grep -q 'Protocol error\|fatal error' "$work/program.log"; then
        echo "FAILED: the program ended after $what"; exit 1
    fi
}
step "full screen" "1200, 900" '[title="^Velmora$"]' fullscreen enable
step "full screen at scale 2" "600, 450" output HEADLESS-1 scale 2
step "tiled at scale 2" "600, 450" '[title="^Velmora$"]' fullscreen disable
step "tiled at scale 1" "1200, 900" output HEADLESS-1 scale 1
# (Closing cleanly is Desktop.WaylandWindowComesUpAndCloses's to check.)
exit "$status"
