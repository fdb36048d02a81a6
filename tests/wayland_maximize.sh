#!/usr/bin/env bash
# The program on a Wayland compositor that leaves the title bar to it: weston
# nested in a private Xvfb, Qt's own title bar. Its maximize button is clicked
# with xdotool as a user would; the window must fill the compositor's screen,
# say so with a matching window geometry, and stay up while the pointer moves
# over it.
#   tests/wayland_maximize.sh <velmora program> [screenshot folder]
set -euo pipefail
program=$(realpath "$1")
shots=${2:-}
. "$(dirname "$0")/private_display.sh"

private_xvfb 1280x1024
private_runtime
export WAYLAND_DISPLAY=velmora-test
# No animations: the window stands where it is drawn from the start.
printf '[shell]\nanimation=none\nstartup-animation=none\nclose-animation=none\nfocus-animation=none\n' >"$work/weston.ini"
weston --config="$work/weston.ini" --backend=x11-backend.so --use-pixman --socket="$WAYLAND_DISPLAY" \
    --width=1200 --height=900 --idle-time=0 >"$work/weston.log" 2>&1 &
pids+=($!)
# The compositor's empty desktop, once it is drawn and stands still.
desktop_drawn() {
    import -window root "$work/empty.png" 2>/dev/null &&
        [ "$(convert "$work/empty.png" -format '%[fx:mean]' info:)" != 0 ] &&
        sleep 0.05 && import -window root "$work/again.png" &&
        [ "$(compare -metric AE "$work/empty.png" "$work/again.png" null: 2>&1 || true)" = 0 ]
}
if ! waited 20 test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || ! waited 20 desktop_drawn; then
    echo "FAILED: weston did not start"; cat "$work/weston.log"; exit 1
fi

start_on_wayland "$program"
# Where the window stands: what changed on the screen since the empty desktop.
box=""
window_seen() {  # the same box twice in a row
    local before=$box
    import -window root "$work/shown.png" || return 1
    box=$(convert "$work/empty.png" "$work/shown.png" -compose difference -composite -threshold 1% -trim \
        -format '%w %h %X %Y' info: 2>/dev/null)
    local w=${box%% *}
    [ "$w" -ge 600 ] && [ "$box" = "$before" ]
}
status=0
if ! waited 20 window_seen; then
    echo "FAILED: no window on the compositor's screen"; grep -v '^\[' "$work/program.log" | head; exit 1
fi
read -r w h x y <<<"$box"
x=${x#+}; y=${y#+}
echo "ok: the window stands at $x,$y, $w x $h"
# Qt's title bar: close, maximize and minimize from the right, in the bar's middle.
# Moved onto the button and clicked there (a busy machine may not have the title bar
# ready at once: then the click is repeated).
maximized() { grep -qE 'xdg_toplevel@[0-9]+\.configure\(1200, [0-9]+, array\[[1-9]' "$work/program.log"; }
bx=$((x + w - 41)) by=$((y + 14))
pointer_events() { grep -c 'wl_pointer@[0-9]*\.\(enter\|motion\)' "$work/program.log" || true; }
for _ in 1 2 3 4; do
    # The click only once the window has heard the pointer arrive over its button.
    seen=$(pointer_events)
    xdotool mousemove $((bx - 3)) "$by" mousemove "$bx" "$by"
    waited 5 eval '[ "$(pointer_events)" -gt "$seen" ]' || continue
    xdotool click 1
    waited 5 maximized && break
done
if maximized; then echo "ok: the compositor maximized the window"; else echo "FAILED: no maximized state"; status=1; fi
# The window answers with the size it was given, and the pointer moves over it.
fits() {
    local asked
    asked=$(grep -oE 'xdg_toplevel@[0-9]+\.configure\(1200, [0-9]+' "$work/program.log" | tail -n 1 | sed 's/.*(//')
    [ -n "$asked" ] && grep -qE "set_window_geometry\(0, 0, $asked\)" "$work/program.log"
}
if waited 20 fits; then echo "ok: the window fills the screen it was given"; else
    echo "FAILED: the window kept its size:"; grep -E 'set_window_geometry' "$work/program.log" | tail -n 2; status=1
fi
moves=$(grep -c 'wl_pointer@[0-9]*\.motion' "$work/program.log" || true)
xdotool mousemove 600 500 mousemove 650 520
moved() { [ "$(grep -c 'wl_pointer@[0-9]*\.motion' "$work/program.log" || true)" -gt "$moves" ]; }
waited 20 moved || true
if kill -0 "$app" 2>/dev/null && ! grep -q 'Protocol error\|fatal error' "$work/program.log"; then
    echo "ok: the program stays up"
else
    echo "FAILED: the program ended:"; grep -E 'error' "$work/program.log" | grep -v '^\[' | head -n 5; status=1
fi
if [ -n "$shots" ]; then
    mkdir -p "$shots"
    import -window root "$shots/weston-maximized.png" && echo "screenshot: $shots/weston-maximized.png"
fi
kill -TERM "$app" 2>/dev/null || true
waited 20 bash -c "! kill -0 $app 2>/dev/null" || { echo "FAILED: the program did not close"; status=1; }
exit "$status"
