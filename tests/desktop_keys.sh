#!/usr/bin/env bash
# The keyboard on a real X window under openbox, as a user meets it: after the
# menu bar was touched in every usual way, Esc still ends the program; F10
# opens the first menu, and Esc in an open menu closes only the menu. The
# window offers maximizing.
#   tests/desktop_keys.sh <velmora program>
set -euo pipefail
program=$(realpath "$1")
. "$(dirname "$0")/private_display.sh"

unset QT_QPA_PLATFORM
private_xvfb 1024x768 openbox
cd "$work"

failures=0
app=""
start() {
    "$program" >"$work/program.log" 2>&1 &
    app=$!
    window=$(xdotool search --sync --onlyvisible --name '^Velmora$' | head -n 1)
    xdotool windowactivate --sync "$window"
}
# Whether one of the program's menus (a window of its own beside the main one) is on the screen.
menu_visible() {
    local w
    for w in $(xdotool search --onlyvisible --classname velmora 2>/dev/null); do
        [ "$w" != "$window" ] && return 0
    done
    return 1
}
# Waits for a menu to be on the screen (the program has taken every key sent
# before the one that opened it), or for none to be.
menu_shown() {
    for _ in $(seq 200); do
        menu_visible && return 0
        sleep 0.05
    done
    return 1
}
menu_gone() {
    for _ in $(seq 200); do
        menu_visible || return 0
        sleep 0.05
    done
    return 1
}
ended() {
    for _ in $(seq 200); do
        kill -0 "$app" 2>/dev/null || { wait "$app" 2>/dev/null || true; return 0; }
        sleep 0.05
    done
    return 1
}
check() {
    local name=$1
    shift
    start
    if ! "$@"; then
        echo "FAILED: $name: the program did not answer as expected"
        failures=$((failures + 1))
    fi
    xdotool key Escape
    if ended; then
        echo "ok: $name, then Esc ends the program"
    else
        echo "FAILED: $name, then Esc left the program running"
        failures=$((failures + 1))
        kill "$app" 2>/dev/null || true
        wait "$app" 2>/dev/null || true
    fi
}

check "Alt, Esc" xdotool key alt Escape
check "Alt, Alt" xdotool key alt alt
check "Alt, Down, Esc, Esc" xdotool key alt Down Escape Escape
check "a menu opened with the mouse, Esc, Esc" \
    eval 'xdotool mousemove --window "$window" 20 10 click 1 && menu_shown && xdotool key Escape Escape'
# With no game a click on the board answers with a box; Esc closes it.
check "Alt, Esc, a click on the board, Esc on its box" \
    eval 'xdotool key alt Escape && xdotool mousemove --window "$window" 300 300 click 1 &&
          xdotool search --sync --onlyvisible --name "^開始$" >/dev/null && xdotool key Escape &&
          for _ in $(seq 200); do xdotool search --onlyvisible --name "^開始$" >/dev/null || break; sleep 0.05; done'
# F10 opens the first menu; Esc closes it and leaves the menu bar, and the
# program is still there to open it again.
check "F10, Esc, F10, Esc, Esc" \
    eval 'xdotool key F10 && menu_shown && xdotool key Escape && menu_gone && xdotool key F10 && menu_shown &&
          xdotool key Escape Escape'

# The window may be maximized: its Motif hints, when it sets any, offer the
# maximize function and button (functions 0x10, decorations 0x40, or "all").
maximizable() {
    local hints
    hints=$(xprop -id "$window" _MOTIF_WM_HINTS | sed -n 's/.*= //p' | tr -d ' ')
    [ -z "$hints" ] && return 0
    IFS=, read -r flags functions decorations _ <<<"$hints"
    if (( (flags & 1) && !(functions & 0x11) )) || (( (flags & 2) && !(decorations & 0x41) )); then
        echo "  the window offers no maximizing: _MOTIF_WM_HINTS = $hints"
        return 1
    fi
}
check "the window offers a maximize button, Esc" maximizable

# Alt puts the keyboard on the menu bar, and the bar shows which menu is active.
bar_changes_on_alt() {
    import -window "$window" -crop 600x18+0+0 "$work/bar_before.png"
    xdotool key alt
    for _ in $(seq 100); do
        import -window "$window" -crop 600x18+0+0 "$work/bar_after.png"
        [ "$(compare -metric AE "$work/bar_before.png" "$work/bar_after.png" null: 2>&1 || true)" != 0 ] && return 0
        sleep 0.05
    done
    echo "  the menu bar looks the same after Alt"
    return 1
}
check "Alt shows the active menu, Esc" eval 'bar_changes_on_alt && xdotool key Escape'

exit $((failures > 0))
