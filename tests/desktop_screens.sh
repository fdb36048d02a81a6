#!/usr/bin/env bash
# What the window shows on a real X server at the scales and in the locales
# users have: screenshots of the running program, checked by screen_check.
#   tests/desktop_screens.sh <screen_check> <velmora program> [screenshot folder]
# - at 1.25, 1.5 and 1.75 (QT_SCALE_FACTOR) the backdrop is seamless and every
#   grid line has one width (on the 宇宙 background, where green shows most);
# - with a font resolution of 144 dpi and no scaling the board area is the
#   same to the pixel as at 96 dpi;
# - the save panel is the same to the pixel under ja_JP.UTF-8 and under C.
set -euo pipefail
checker=$(realpath "$1")
program=$(realpath "$2")
shots=${3:-}
. "$(dirname "$0")/private_display.sh"

private_xvfb 1600x1200
unset QT_QPA_PLATFORM QT_SCALE_FACTOR QT_ENABLE_HIGHDPI_SCALING LC_ALL
mkdir "$work/run"
cd "$work/run"

failures=0
app=""
window=""
start() {  # start [VAR=value...]: the program with these settings, until its window is up
    env "$@" "$program" >"$work/program.log" 2>&1 &
    app=$!
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Velmora$' | head -n 1)
    timeout 60 xdotool windowfocus --sync "$window"
}
stop() {
    kill "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
}
# The window as it is now, in `previous`: painted once it shows more than a
# few colours; changed from a BEFORE picture.
shot() { import -window "$window" "$work/previous.png" 2>/dev/null; }
painted() { shot && (($(identify -format %k "$work/previous.png") > 16)); }
changed_from() { shot && [ "$(compare -metric AE "$1" "$work/previous.png" null: 2>&1 || true)" != 0 ]; }
# The window's picture once it is painted, no menu stands over it, it stands
# still (two pictures in a row the same) and, given a BEFORE picture, it has
# changed from it.
picture() {
    local out=$1 before=${2:-} previous="$work/previous.png"
    waited painted
    waited eval '! menu_visible'
    [ -z "$before" ] || waited changed_from "$before"
    shot
    for _ in $(seq 100); do
        sleep 0.05
        import -window "$window" "$out"
        [ "$(compare -metric AE "$previous" "$out" null: 2>&1 || true)" = 0 ] && break
        cp "$out" "$previous"
    done
    [ -z "$shots" ] || cp "$out" "$shots/"
}
verdict() {
    if "$@"; then :; else failures=$((failures + 1)); fi
}
[ -z "$shots" ] || mkdir -p "$shots"

# The backdrop that shows seams most: black stars on the canvas's green.
printf '背景画=宇宙\r\nBGM=OFF\r\n' | iconv -f UTF-8 -t CP932 > Velmora.ini
for ratio in 1 1.25 1.5 1.75; do
    start QT_SCALE_FACTOR=$ratio
    picture "$work/space_$ratio.png"
    stop
    echo "the backdrop at $ratio:"
    verdict "$checker" seams "$work/space_$ratio.png" "$ratio"
done

# Text in the pictures keeps its size when the screen's font resolution grows.
printf '背景画=働\r\nBGM=OFF\r\n' | iconv -f UTF-8 -t CP932 > Velmora.ini
start
picture "$work/dpi_96.png"
stop
xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf 'Xft.dpi:\t144')"
start QT_ENABLE_HIGHDPI_SCALING=0
picture "$work/dpi_144.png"
stop
xprop -root -remove RESOURCE_MANAGER
echo "the board area at 144 dpi against 96 dpi:"
verdict "$checker" same "$work/dpi_96.png" "$work/dpi_144.png" 533

# The save panel ("棋譜" → "書込", from the keyboard) in the Japanese locale and in C.
# The caret blinks in 対局名: the second picture is taken again (for up to
# three seconds) until the caret stands as it did in the first.
for lang in C.UTF-8 ja_JP.UTF-8; do
    start LANG=$lang
    picture "$work/closed_$lang.png"
    # The menu is seen open before its item is chosen, so the panel is what changed.
    xdotool key alt Right Right Right Right Right Right Down
    waited menu_visible
    xdotool key Down Return
    picture "$work/panel_$lang.png" "$work/closed_$lang.png"
    if [ "$lang" != C.UTF-8 ]; then
        for _ in $(seq 60); do
            "$checker" same "$work/panel_C.UTF-8.png" "$work/panel_$lang.png" 533 >/dev/null && break
            sleep 0.05
            import -window "$window" "$work/panel_$lang.png"
        done
    fi
    stop
done
echo "the save panel under ja_JP.UTF-8 against C:"
verdict "$checker" same "$work/panel_C.UTF-8.png" "$work/panel_ja_JP.UTF-8.png" 533

exit $((failures > 0))
