# Sourced by the checks on a real display server: a private work folder, the
# processes started into `pids`, all ended and removed at exit, and
#   private_xvfb WIDTHxHEIGHT [openbox]
# which starts an Xvfb of that size (kept from resetting when its last client
# leaves, so what is set on its root window stays), exports DISPLAY and, when
# asked, waits for openbox to manage the screen; and the waits of the checks:
#   waited [SECONDS] COMMAND...
# which runs COMMAND every 50 ms until it succeeds, for at most SECONDS (20).
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

private_xvfb() {
    # Xvfb names its display on the pipe once it takes connections.
    mkfifo "$work/display"
    Xvfb -displayfd 3 -noreset -screen 0 "$1x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    pids+=($!)
    local number
    read -r number < "$work/display"
    export DISPLAY=":$number" SDL_AUDIODRIVER=dummy
    [ "${2:-}" = openbox ] || return 0
    # openbox announces itself on the root window once it manages the screen.
    coproc SPY { exec xprop -root -spy; }
    pids+=($SPY_PID)
    openbox --sm-disable >/dev/null 2>&1 &
    pids+=($!)
    local line
    while read -r -t 20 line <&"${SPY[0]}"; do
        case $line in "_NET_SUPPORTING_WM_CHECK(WINDOW)"*) return 0 ;; esac
    done
    echo "openbox did not come up"
    exit 1
}

# Runs COMMAND every 50 ms until it succeeds, for at most SECONDS (20 when not given).
waited() {
    local limit=20
    if [[ $1 =~ ^[0-9]+$ ]]; then limit=$1; shift; fi
    local deadline=$((SECONDS + limit))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# Whether one of the program's menus (a window of its own beside its main
# window, $window) is on the screen.
menu_visible() {
    local w
    for w in $(xdotool search --onlyvisible --classname velmora 2>/dev/null); do
        [ "$w" != "$window" ] && return 0
    done
    return 1
}

# A private runtime folder, where a Wayland compositor puts its socket.
private_runtime() {
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}

# Starts the program $1 natively on $WAYLAND_DISPLAY from a run folder of its
# own (the working folder from then on), its Wayland traffic in
# $work/program.log; its process id in `app`. No X server to fall back on:
# it speaks Wayland or fails. (Under AddressSanitizer the unit tests check for
# leaks; here the toolkit's caches would count.)
start_on_wayland() {
    mkdir "$work/run"
    cd "$work/run"
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    env -u DISPLAY QT_QPA_PLATFORM=wayland SDL_AUDIODRIVER=dummy WAYLAND_DEBUG=client \
        "$1" >"$work/program.log" 2>&1 &
    app=$!
    pids+=($app)
}
