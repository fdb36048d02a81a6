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
# The menu bar as the user sees it: painted once it shows its titles (more
# than two colours); "plain" as at the start, "active" once a key or a click
# has put the keyboard on it. Each key below waits for what the one before it
# did to the screen, so a slow machine only makes the check slower.
bar_shot() { import -window "$window" -crop 600x18+0+0 "$1" 2>/dev/null; }
bar_painted() { bar_shot "$work/bar_plain.png" && (($(identify -format %k "$work/bar_plain.png") > 2)); }
bar_is() {
    bar_shot "$work/bar_now.png" || return 1
    local ae
    ae=$(compare -metric AE "$work/bar_plain.png" "$work/bar_now.png" null: 2>&1 || true)
    if [ "$1" = plain ]; then [ "$ae" = 0 ]; else [ "$ae" != 0 ]; fi
}
# The window shown, asked again and again to take the keyboard until the
# window manager has given it (a request can be lost while a window comes up),
# and its menu bar painted. Says what did not happen.
shown() { window=$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | head -n 1) && [ -n "$window" ]; }
active() {
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$window" ] && return 0
    xdotool windowactivate "$window" 2>/dev/null
    return 1
}
start() {
    "$program" >"$work/program.log" 2>&1 &
    app=$!
    waited shown || { echo "  the window did not come up"; return 1; }
    waited active || { echo "  the window did not get the keyboard"; return 1; }
    waited bar_painted || { echo "  the menu bar was never painted"; return 1; }
}
# Waits for a menu to be on the screen (the program has taken every key sent
# before the one that opened it), or for none to be.
menu_shown() { waited menu_visible; }
menu_gone() { waited eval '! menu_visible'; }
bar_active() { waited bar_is active; }
box_gone() { ! xdotool search --onlyvisible --name '^開始$' >/dev/null; }
bar_plain() { waited bar_is plain; }
ended() {
    waited eval '! kill -0 "$app" 2>/dev/null' || return 1
    wait "$app" 2>/dev/null || true
}
check() {
    local name=$1
    shift
    echo "$name:"
    if ! start || ! "$@"; then
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

check "Alt, Esc" eval 'xdotool key alt && bar_active && xdotool key Escape && bar_plain'
check "Alt, Alt" eval 'xdotool key alt && bar_active && xdotool key alt && bar_plain'
check "Alt, Down, Esc, Esc" \
    eval 'xdotool key alt && bar_active && xdotool key Down && menu_shown && xdotool key Escape && menu_gone &&
          xdotool key Escape && bar_plain'
# The pointer leaves the bar once the menu is open, so the bar can be seen to let go.
check "a menu opened with the mouse, Esc, Esc" \
    eval 'xdotool mousemove --window "$window" 20 10 click 1 && menu_shown &&
          xdotool mousemove --window "$window" 300 300 && xdotool key Escape && menu_gone &&
          xdotool key Escape && bar_plain'
# With no game a click on the board answers with a box; Esc closes it.
check "Alt, Esc, a click on the board, Esc on its box" \
    eval 'xdotool key alt && bar_active && xdotool key Escape && bar_plain &&
          xdotool mousemove --window "$window" 300 300 click 1 &&
          waited eval "! box_gone" && xdotool key Escape &&
          waited box_gone'
# F10 opens the first menu; Esc closes it and leaves the menu bar, and the
# program is still there to open it again.
check "F10, Esc, F10, Esc, Esc" \
    eval 'xdotool key F10 && menu_shown && xdotool key Escape && menu_gone && xdotool key F10 && menu_shown &&
          xdotool key Escape && menu_gone && xdotool key Escape && bar_plain'

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
    xdotool key alt
    bar_active || {
        echo "  the menu bar looks the same after Alt"
        return 1
    }
}
check "Alt shows the active menu, Esc" eval 'bar_changes_on_alt && xdotool key Escape && bar_plain'

exit $((failures > 0))
