#!/bin/bash
# Runs the whole-process benchmarks of tonalix-render from a Release build
# (default: build/): the render against SoX and a native loop, measuring,
# drawing and resampling against the plain render, the analysis of
# --measure, then the CPU used while playing, through a private sound server
# with a null sink.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
"$build/bench/tools/renderBench" render || exit 1
"$build/bench/tools/renderBench" workbench || exit 1
"$build/bench/tools/measureBench" || exit 1
# shellcheck source=/dev/null
source "$root/scripts/sound-server.sh"
if [ -z "${PULSE_SERVER:-}" ]; then
  startSoundServer || { echo "run.sh: no sound server; the play figure is left out"; exit 0; }
  trap stopSoundServer EXIT
fi
"$build/bench/tools/renderBench" play
