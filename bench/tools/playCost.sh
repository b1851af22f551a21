#!/bin/bash
# What playing costs: starts the real window on a virtual display, presses
# Play, lets the start formula play through a private sound server with a
# null sink for SECONDS after the countdown, and prints the process's share
# of a core, each thread's wakeups per second (its voluntary context
# switches) and, after pressing Stop, the time from the click to silence on
# the sink's monitor.  Then, as the floor to compare with, aplay plays the
# same samples (the start formula rendered by tonalix-render to a WAV file)
# through the same path, ALSA's default device into the same server, and is
# measured the same way over the same span.  Public tools only: /proc, perf
# stat where it is installed, parec, aplay, and xdotool for the clicks.
#   bench/tools/playCost.sh [BUILD_DIR [SECONDS]]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd) || exit 2
seconds=${2:-30}
program=$build/app/tonalix
[ -x "$program" ] || { echo "playCost: no $program"; exit 2; }
for tool in Xvfb xdotool parec pactl aplay; do
  command -v "$tool" >/dev/null || { echo "playCost: $tool is not installed (scripts/install-deps.sh)"; exit 2; }
done
work=$(mktemp -d /tmp/tonalix-playcost.XXXXXX)
# A home of its own: nothing the program or its libraries write lands in the user's.
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
xvfb=
app=
# shellcheck source=/dev/null
source "$root/scripts/sound-server.sh"
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  stopSoundServer
  rm -rf "$work"
}
trap cleanup EXIT
startSoundServer || { echo "playCost: no sound server"; exit 2; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
(cd "$build/app" && XDG_CONFIG_HOME="$work/config" exec "$program") >"$work/app.log" 2>&1 &
app=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --name '^ Tonalix$' 2>/dev/null | head -n1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "playCost: the window did not appear"; cat "$work/app.log"; exit 1; }
sleep 1
# The Play/Stop button, in the window's own pixels (the window is laid out
# from the dialog template in res/layout.cpp at the UI font's size).
click() { xdotool mousemove --window "$window" 520 147 click 1; }

# The countdown first (3 s), then the measured span.
click
sleep 4

# ticks [PID]: the process's user + system time in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/${1:-$app}/stat"; }
# switches [PID]: "TID NAME VOLUNTARY" for each thread.
switches() {
  local task
  for task in /proc/"${1:-$app}"/task/*; do
    printf '%s %s %s\n' "${task##*/}" "$(tr ' ' '_' <"$task/comm")" \
      "$(sed -n 's/^voluntary_ctxt_switches:[[:space:]]*//p' "$task/status")"
  done | sort
}
perfLog=$work/perf.log
if perf stat -e task-clock true >/dev/null 2>&1; then
  perf stat -e task-clock,context-switches -p "$app" -o "$perfLog" -- sleep "$seconds" &
  perfPid=$!
else
  perfPid=
fi
before=$(switches)
ticksBefore=$(ticks)
start=$(date +%s.%N)
sleep "$seconds"
ticksAfter=$(ticks)
end=$(date +%s.%N)
after=$(switches)
[ -n "$perfPid" ] && wait "$perfPid"
span=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
hz=$(getconf CLK_TCK)
printf 'playCost: %s s of the start formula in the window\n' "$seconds"
awk -v t=$((ticksAfter - ticksBefore)) -v hz="$hz" -v s="$span" 'BEGIN { printf "playCost: CPU %.2f%% of a core (/proc)\n", t * 100 / hz / s }' 
if [ -n "$perfPid" ] && [ -s "$perfLog" ]; then
  sed -n 's/^ *\([0-9.,]*\) msec task-clock.*/\1/p' "$perfLog" | tr -d , |
    awk -v s="$span" '{ printf "playCost: CPU %.2f%% of a core (perf stat task-clock)\n", $1 / 10 / s }'
fi
echo "playCost: wakeups per second, by thread:"
join <(printf '%s\n' "$before") <(printf '%s\n' "$after") |
  awk -v s="$span" '{ printf "  %-16s %6.1f\n", $2, ($5 - $3) / s }'

# Stop: record the monitor around the click, then find where the tone ends.
rate=132300
parec --device="$TONALIX_SOUND_SINK.monitor" --raw --format=s16le --rate=$rate --channels=1 --latency-msec=5 \
  >"$work/tail.raw" 2>/dev/null &
recorder=$!
sleep 1
clicked=$(date +%s.%N)
click
sleep 1
kill "$recorder" 2>/dev/null
wait "$recorder" 2>/dev/null
stopped=$(date +%s.%N)
# The recording ends when parec was stopped: its samples are placed on the
# clock from there back.
read -r last total < <(od -An -v -td2 -w2 "$work/tail.raw" |
  awk '{ n++; if ($1 > 1000 || $1 < -1000) last = n } END { print last + 0, n + 0 }')
if [ "$total" -gt 0 ] && [ "$last" -gt 0 ]; then
  echo "$stopped $total $last $clicked" | awk -v r=$rate '{
    silence = $1 - ($2 - $3) / r
    printf "playCost: Stop click to silence: %.0f ms\n", (silence - $4) * 1000 }'
else
  echo "playCost: no tone in the recording around Stop ($total samples)"
fi

# The floor: aplay plays the same samples through the same path for the same
# span, after the same lead-in, once the window has stopped.
kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
app=
floorWav=$work/start.wav
"$build/tools/tonalix-render" --seconds $((seconds + 3)) -o "$floorWav" "sin(440*6.2831853071795865*t)" ||
  { echo "playCost: tonalix-render could not render the floor's samples"; exit 1; }
aplay -q -D default "$floorWav" 2>"$work/aplay.log" &
floor=$!
sleep 1
before=$(switches "$floor")
ticksBefore=$(ticks "$floor")
start=$(date +%s.%N)
sleep "$seconds"
ticksAfter=$(ticks "$floor")
end=$(date +%s.%N)
after=$(switches "$floor")
kill "$floor" 2>/dev/null
wait "$floor" 2>/dev/null
span=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
printf 'playCost: floor: aplay, %s s of the same samples through the same device\n' "$seconds"
awk -v t=$((ticksAfter - ticksBefore)) -v hz="$hz" -v s="$span" 'BEGIN { printf "playCost: floor: CPU %.2f%% of a core (/proc)\n", t * 100 / hz / s }'
echo "playCost: floor: wakeups per second, by thread:"
join <(printf '%s\n' "$before") <(printf '%s\n' "$after") |
  awk -v s="$span" '{ printf "  %-16s %6.1f\n", $2, ($5 - $3) / s }'
