#!/usr/bin/env bash
# Plays a short session of the real program under Xvfb with xdotool and keeps
# a screenshot of every step, for a person to look at afterwards.
#
#   scripts/playtest.sh [build folder] [shot folder]
#
# Defaults: build/ and /tmp/velmora-playtest/. Needs Xvfb, xdotool and
# ImageMagick (import). The program runs in the build's bin folder, so the
# session's record file (playtest.棋譜) and Velmora.ini are written there.
set -euo pipefail

BUILD=${1:-build}
SHOTS=${2:-/tmp/velmora-playtest}
DISPLAY_NO=${PLAYTEST_DISPLAY:-:78}
BIN=$(cd "$BUILD/bin" && pwd)
mkdir -p "$SHOTS"

Xvfb "$DISPLAY_NO" -screen 0 800x650x24 >/dev/null 2>&1 &
XVFB=$!
export DISPLAY=$DISPLAY_NO
sleep 1
(cd "$BIN" && SDL_AUDIODRIVER=dummy exec ./velmora >"$SHOTS/program.log" 2>&1) &
APP=$!
cleanup() {
    kill "$APP" 2>/dev/null || true
    kill "$XVFB" 2>/dev/null || true
}
trap cleanup EXIT
sleep 2

# Without a window manager the window sits at (0, 0) under a 19 px menu bar.
# Grid cell (x, y) has its top-left at ((1050 + x*495)/15, 19 + (100 + y*615)/15)
# and is 33 x 41 pixels; these give its centre.
cx() { echo $(( (1050 + $1 * 495) / 15 + 16 )); }
cy() { echo $(( 19 + (100 + $1 * 615) / 15 + 20 )); }
cell() { xdotool mousemove "$(cx "$1")" "$(cy "$2")" click 1; sleep 0.4; }
# Top-level menu items by their x position on the menu bar.
menu() {
    case $1 in
        対局) x=20 ;; 局面) x=60 ;; 戻) x=92 ;; 進) x=118 ;; △) x=143 ;; ▽) x=168 ;;
        棋譜) x=200 ;; ｵﾌﾟｼｮﾝ) x=245 ;; その他) x=293 ;; *) return 1 ;;
    esac
    xdotool mousemove "$x" 9 click 1
    sleep 0.5
}
# An item of an open menu (item n counted from 1) and of its submenu.
item() { xdotool mousemove "$1" $((7 + 22 * $2)) click 1; sleep 0.6; }
hover() { xdotool mousemove "$1" $((7 + 22 * $2)); sleep 0.6; }
ok() { xdotool key Return; sleep 0.4; }
n=0
shot() { n=$((n + 1)); import -window root "$SHOTS/$(printf %02d $n)_$1.png"; }

shot start
menu 対局; hover 60 2; item 185 2; shot sente_message; ok     # 対局(COM) → 先手
cell 3 6; shot picked
cell 3 4; shot refused                                        # two squares: refused
cell 3 6; cell 9 6; shot repicked                             # another own piece
cell 9 5; sleep 3; shot computer_answered
menu 戻; menu 戻; shot two_back
menu 進; menu 進; shot two_forward
menu 進; shot forward_at_end; ok
cell 5 5; shot resume_message; ok                              # after stepping: whose turn
menu ｵﾌﾟｼｮﾝ; item 270 2; cell 5 9; shot guidance_on          # 移動指導
menu ｵﾌﾟｼｮﾝ; item 270 2; cell 5 9; shot guidance_off
menu ｵﾌﾟｼｮﾝ; item 270 3; shot clocks_off; sleep 2              # 経過時間
menu ｵﾌﾟｼｮﾝ; item 270 3; sleep 2; shot clocks_on
menu 棋譜; item 225 2; shot save_panel                        # 書込
xdotool mousemove 140 188 click 1; xdotool type --delay 40 "playtest"
xdotool mousemove 140 236 click 1; xdotool type --delay 40 "playtest"
xdotool mousemove 252 231 click 1; sleep 0.6; shot saved; ok
menu その他; shot about; ok
menu 対局; item 50 4                                          # 終わり
for _ in $(seq 40); do kill -0 "$APP" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$APP" 2>/dev/null; then echo "the program did not end after 終わり" >&2; exit 1; fi
echo "screenshots in $SHOTS"
