#!/bin/bash
# Underruns under load: plays the longest formula of the benchmark suite
# (benchSummary --longest) for 60 s through
# tonalix-render --play while stress-ng loads every core, and reports the
# underruns that the ALSA backend counted.  Uses a private sound server with a
# null sink unless one is set up.  Exits 1 when there was any underrun.
#   bench/tools/underruns.sh [BUILD_DIR [SECONDS]]
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
seconds=${2:-60}
formula=$("$build/bench/benchSummary" --longest) || { echo "underruns: no $build/bench/benchSummary"; exit 2; }
command -v stress-ng >/dev/null || { echo "underruns: stress-ng is not installed (scripts/install-deps.sh)"; exit 2; }
# shellcheck source=/dev/null
source "$root/scripts/sound-server.sh"
if [ -z "${PULSE_SERVER:-}" ]; then
  startSoundServer || { echo "underruns: no sound server"; exit 2; }
  trap stopSoundServer EXIT
fi
stress-ng --cpu "$(nproc)" --timeout $((seconds + 15))s --quiet &
load=$!
sleep 2
log=$(mktemp)
/usr/bin/time -f "cpu %P, %e s" "$build/tools/tonalix-render" --play --seconds "$seconds" "$formula" 2>"$log"
status=$?
kill "$load" 2>/dev/null
wait "$load" 2>/dev/null
cat "$log"
count=$(sed -n 's/^tonalix-render: \([0-9]*\) underruns$/\1/p' "$log")
rm -f "$log"
echo "underruns: $seconds s of the longest formula with $(nproc) cores loaded: ${count:-?} underruns (exit $status)"
[ "$status" = 0 ] && [ "${count:-1}" = 0 ]
