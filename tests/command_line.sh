#!/bin/sh
# A command line the program does not take is refused before any window or
# sound: one line of usage on standard error and exit status 2, also with Qt's
# own options among the words.    command_line.sh <velmora>
prog="$1"
run="$(mktemp -d)"
trap 'rm -rf "$run"' EXIT
chmod 700 "$run"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy XDG_RUNTIME_DIR="$run" HOME="$run"
cd "$run" || exit 1
usage='^使い方: velmora \[棋譜ファイル\]  (usage: velmora \[FILE\.棋譜\])$'
faults=0
refused() {
  # The program is ended should it start a window instead of refusing.
  timeout 30 "$prog" "$@" >"$run/out" 2>"$run/err"
  rc=$?
  lines=$(wc -l <"$run/err")
  if [ "$rc" -ne 2 ] || [ "$lines" -ne 1 ] || ! grep -q "$usage" "$run/err" || [ -s "$run/out" ]; then
    echo "FAULT: velmora $* gave status $rc and on standard error:"
    cat "$run/err"
    faults=$((faults + 1))
  else
    echo "refused: velmora $*"
  fi
}
refused a.棋譜 b.棋譜
refused --help
refused -x
refused -platform offscreen --version
refused -platform offscreen -- a.棋譜 b.棋譜
refused ""
# Nothing is left behind: no settings file, no record.
left="$(ls -A "$run" | grep -v -x -e out -e err)"
if [ -n "$left" ]; then
  echo "FAULT: a refused command line left files: $left"
  faults=$((faults + 1))
fi
[ "$faults" -eq 0 ]
