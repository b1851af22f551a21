#!/bin/bash
# Installs what is missing, builds Tonalix twice (Release, and with
# AddressSanitizer + UndefinedBehaviorSanitizer) and runs every test in both,
# then fuzzes each fuzz target for a minute (scripts/fuzz.sh).  A private
# sound server with a null sink is started for the real-sound tests.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" || exit 1
jobs=$(nproc)
status=0

if [ -f "$root/scripts/sound-server.sh" ]; then
  # shellcheck source=/dev/null
  source "$root/scripts/sound-server.sh"
  startSoundServer || echo "test: no sound server, the real-sound tests will report themselves skipped"
  trap stopSoundServer EXIT
fi

runSuite() {  # runSuite BUILD_DIR CMAKE_ARGS...
  local dir=$1; shift
  cmake -S "$root" -B "$root/$dir" "$@" || return 1
  cmake --build "$root/$dir" -j"$jobs" || return 1
  ctest --test-dir "$root/$dir" --output-on-failure -j"$jobs" || return 1
}

runSuite build -DCMAKE_BUILD_TYPE=Release || status=1
runSuite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONALIX_SANITIZE=ON -DTONALIX_BENCH=OFF || status=1

for target in formula dataFile renderArguments; do
  echo "test: fuzzing $target for 60 s"
  "$root/scripts/fuzz.sh" "$target" 60 || status=1
done
exit $status
