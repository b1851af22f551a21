#!/bin/bash
# Installs what is missing, builds Tonalix three times (the Windows programs
# with mingw-w64; Release; AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs every test of each; makes the Debian package of the Release build and
# tests it; then fuzzes each fuzz target for a minute (scripts/fuzz.sh).  The
# Windows tests run under a private Wine with a virtual display; a private
# sound server with a null sink serves the real-sound tests of both systems.
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

# The Debian package of a build: made with CPack, checked by lintian, then
# unpacked with dpkg-deb -x and started under Xvfb.
packageSuite() {  # packageSuite BUILD_DIR
  local dir=$root/$1 deb rc
  rm -f "$dir"/tonalix_*.deb
  (cd "$dir" && cpack -G DEB) || return 1
  deb=$(ls "$dir"/tonalix_*_"$(dpkg --print-architecture)".deb 2>/dev/null | head -n1)
  [ -n "$deb" ] || { echo "test: cpack made no package"; return 1; }
  echo "test: lintian $deb"
  lintian --fail-on error "$deb" || return 1
  bash "$root/tests/platform/xvfb-smoke.sh" "$dir" "$dir/screenshots" "$deb"
  rc=$?
  if [ $rc = 77 ]; then
    echo "test: the smoke test of the package was skipped"
    rc=0
  fi
  return $rc
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

# The package installs under /usr, and the help page's address and the
# desktop entry's folder are fixed when the build is configured.
runSuite build -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr || status=1
packageSuite build || status=1
runSuite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONALIX_SANITIZE=ON -DTONALIX_BENCH=OFF || status=1

for target in formula dataFile renderArguments; do
  echo "test: fuzzing $target for 60 s"
  "$root/scripts/fuzz.sh" "$target" 60 || status=1
done
exit $status
