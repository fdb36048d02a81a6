#!/usr/bin/env bash
# The sound library on a real sound server: a private PulseAudio with one null
# sink per build measured, so that the builds play side by side, under the
# same load, each into a sink of its own.
#
#   scripts/sound_bench.sh [LABEL=]BIN [[LABEL=]BIN ...]
#
# BIN is a build's bin/ folder (libVelmora.so and the four wave files); with
# none, build-test/bin. For each build it prints
#   - the stream and its client as the server sees them (pactl list sink-inputs / clients),
#   - the sink's state a few seconds after the music is switched off, and the time from
#     dsPlay to the click's first sample at the sink, idle against running,
#   - the runs of digital silence the music file does not have, in 60 s of the music
#     recorded at the sink's monitor with four busy loops beside the programs, with two
#     controls: the last build with its music kept in memory, and pacat with a deep buffer.
# VELMORA_SOUND_SECONDS (60) and VELMORA_SOUND_ROUNDS (5) change the length and rounds.
# Every log is kept in the folder VELMORA_SOUND_OUT when it is set.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${VELMORA_SOUND_SECONDS:-60}"
rounds="${VELMORA_SOUND_ROUNDS:-5}"
[ $# -gt 0 ] || set -- "$top/build-test/bin"
for tool in pulseaudio pactl parec g++; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: run scripts/setup.sh" >&2; exit 1; }
done

work="$(mktemp -d)"
out="${VELMORA_SOUND_OUT:-$work/out}"
mkdir -p "$out"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

probe="$work/sound_probe"
g++ -std=c++20 -O2 -o "$probe" "$top/bench/sound_probe.cpp" -lpulse-simple -lpulse -ldl -lpthread

labels=() bins=()
for arg in "$@"; do
  if [[ "$arg" == *=* ]]; then labels+=("${arg%%=*}"); bins+=("${arg#*=}"); else labels+=("$arg"); bins+=("$arg"); fi
done

# The server: its own runtime folder, a null sink per build, a sink with no
# stream suspended after one second.
export XDG_RUNTIME_DIR="$work" PULSE_RUNTIME_PATH="$work" HOME="$work"
export PULSE_SERVER="unix:$work/native" SDL_AUDIODRIVER=pulseaudio
loads=(--load="module-native-protocol-unix socket=$work/native auth-anonymous=1")
for sink in $(seq -f "velmora%g" 0 $((${#bins[@]} - 1))) kept reference; do
  loads+=(--load="module-null-sink sink_name=$sink rate=44100 format=float32le channels=2")
done
loads+=(--load="module-suspend-on-idle timeout=1")
pulseaudio --daemonize=no -n --exit-idle-time=-1 --disallow-exit --use-pid-file=no "${loads[@]}" \
  >"$out/pulseaudio.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null

# Polls `pactl $1` until its output matches $2; 10 s at most.
wait_for() {
  for _ in $(seq 200); do pactl $1 2>/dev/null | grep -q "$2" && return 0; sleep 0.05; done
  return 1
}

echo "== $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), PulseAudio $(pactl info | sed -n 's/^Server Version: //p') =="
for i in "${!bins[@]}"; do
  echo
  echo "== ${labels[$i]}: the stream and its client while the music plays =="
  (cd "$work" && PULSE_SINK=velmora$i "$probe" "${bins[$i]}/libVelmora.so" play "${bins[$i]}" 3 >/dev/null) &
  player=$!
  wait_for "list sink-inputs" "media.name" || echo "(no stream appeared)"
  pactl list sink-inputs | tee "$out/sink-inputs-$i.txt" | grep -E "^Sink Input|media\.|application\.(name|icon_name|id)"
  pactl list clients >"$out/clients-$i.txt"
  echo "clients of the program: $(grep -c "application.process.binary = \"sound_probe\"" "$out/clients-$i.txt")"
  awk -v RS= '/"sound_probe"/' "$out/clients-$i.txt" | grep -E "^Client|application\.(name|icon_name)|media.role" || true
  wait "$player"
done

for i in "${!bins[@]}"; do
  echo
  echo "== ${labels[$i]}: music on then off; the click's first sample at the sink, idle (3.5 s after the last sound) and running (0.2 s after) =="
  (cd "$work" && PULSE_SINK=velmora$i "$probe" "${bins[$i]}/libVelmora.so" latency "${bins[$i]}" velmora$i.monitor "$rounds") \
    | tee "$out/latency-$i.txt"
done

echo
echo "== drop-outs: ${seconds} s of the music at each sink's monitor, every stream at once, four busy loops beside them =="
last=$((${#bins[@]} - 1))
echo "controls: '${labels[$last]}, kept' keeps the music in memory (no file is read while it plays);"
echo "'reference' is pacat with a 500 ms buffer: a gap there would be the server's or the recorder's."
busy=()
for _ in 1 2 3 4; do
  (while :; do :; done) &
  busy+=($!)
  pids+=($!)
done
players=()
for i in "${!bins[@]}"; do
  (cd "$work" && PULSE_SINK=velmora$i "$probe" "${bins[$i]}/libVelmora.so" play "${bins[$i]}" $((seconds + 4))) \
    >"$out/play-$i.txt" &
  players+=($!)
done
(cd "$work" && PULSE_SINK=kept "$probe" "${bins[$last]}/libVelmora.so" play-kept "${bins[$last]}" $((seconds + 4))) \
  >"$out/play-kept.txt" &
players+=($!)
# The file's samples after its 44-byte header, end to end (the music loops without a seam).
for _ in $(seq $((seconds / 20 + 2))); do tail -c +45 "${bins[$last]}/BGM.wav"; done >"$work/reference.raw"
pacat -d reference --raw --format=s16le --rate=44100 --channels=2 --latency-msec=500 "$work/reference.raw" &
players+=($!)
sinks=()
for i in "${!bins[@]}"; do sinks+=("velmora$i"); done
sinks+=(kept reference)
for s in "${sinks[@]}"; do wait_for "list short sinks" "$s.*RUNNING" || true; done
recorders=()
for s in "${sinks[@]}"; do
  timeout "$seconds" parec -d "$s.monitor" --raw --format=float32le --rate=44100 --channels=2 >"$work/music-$s.raw" &
  recorders+=($!)
done
for p in "${recorders[@]}"; do wait "$p" || true; done
echo "load while recording: $(cut -d' ' -f1-3 /proc/loadavg)"
for p in "${busy[@]}"; do kill "$p"; done
kill "${players[-1]}" 2>/dev/null || true
for p in "${players[@]}"; do wait "$p" || true; done
recordings=()
for i in "${!bins[@]}"; do recordings+=("${labels[$i]}=$work/music-velmora$i.raw"); done
recordings+=("${labels[$last]}, kept=$work/music-kept.raw" "reference=$work/music-reference.raw")
"$probe" gaps "${bins[$last]}/BGM.wav" "${recordings[@]}" | tee "$out/gaps.txt"
echo
echo "== the end of the game: dsTerminate with the music just stopped (SDL lets each open device drain) =="
for i in "${!bins[@]}"; do echo "${labels[$i]}: $(cat "$out/play-$i.txt")"; done
