#!/bin/bash
# Installs what is missing, builds Tonalix three times (the Windows programs
# with mingw-w64; Release; AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs every test of each.  The Windows tests run under a private Wine with a
# virtual display; a private sound server with a null sink serves the
# real-sound tests of both systems.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh" --windows || exit 1
jobs=$(nproc)
status=0

# shellcheck source=/dev/null
source "$root/scripts/sound-server.sh"
# shellcheck source=/dev/null
source "$root/scripts/wine-env.sh"
startSoundServer || echo "test: no sound server, the real-sound tests will report themselves skipped"
trap 'stopWine; stopSoundServer' EXIT

runSuite() {  # runSuite BUILD_DIR CMAKE_ARGS...
  local dir=$1; shift
  cmake -S "$root" -B "$root/$dir" "$@" || return 1
  cmake --build "$root/$dir" -j"$jobs" || return 1
  ctest --test-dir "$root/$dir" --output-on-failure -j"$jobs" || return 1
}

# The Windows programs first: the Linux build's tests run them beside its own.
if "$root/scripts/build-windows.sh"; then
  if startWine; then
    ctest --test-dir "$root/build-windows" --output-on-failure -j"$jobs" || status=1
  else
    echo "test: Wine did not start; the Windows tests cannot run"
    status=1
  fi
else
  status=1
fi
runSuite build -DCMAKE_BUILD_TYPE=Release || status=1
runSuite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONALIX_SANITIZE=ON -DTONALIX_BENCH=OFF || status=1
exit $status
