#!/bin/bash
# Installs what is missing, builds Tonalix three times (the Windows programs
# with mingw-w64; Release; AddressSanitizer + UndefinedBehaviorSanitizer) and
# runs every test of each; makes the Debian package of the Release build and
# tests it; then fuzzes each fuzz target for a minute (scripts/fuzz.sh).  The
# Windows tests run under a private Wine with a virtual display; a private
# sound server with a null sink serves the real-sound tests of both systems.
#
# Everything runs with a private home in one temporary folder (HOME, the XDG
# folders and the Wine prefix), removed at the end; the run then checks that
# the user's real home is as it was, and fails naming what changed.  A build
# whose tests leave out a suite it configured fails too.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=$(nproc)
status=0

# shellcheck source=/dev/null
source "$root/scripts/private-home.sh"
startPrivateHome || exit 1
# shellcheck source=/dev/null
source "$root/scripts/sound-server.sh"
# shellcheck source=/dev/null
source "$root/scripts/wine-env.sh"
trap 'stopWine; stopSoundServer; stopPrivateHome' EXIT

"$root/scripts/install-deps.sh" --windows || exit 1
startSoundServer || echo "test: no sound server, the real-sound tests will report themselves skipped"

# The one formatting style: every C++ file as clang-format-14 writes it.
checkFormat() {
  local files differ=()
  mapfile -t files < <(cd "$root" && find formula audio window app ui res platform tools tests bench \
    -name '*.cpp' -o -name '*.h' | sort)
  local f
  for f in "${files[@]}"; do
    clang-format-14 --dry-run -Werror "$root/$f" >/dev/null 2>&1 || differ+=("$f")
  done
  if ((${#differ[@]})); then
    echo "test: these files are not in the tree's style (clang-format-14 -i FILE mends them):"
    printf '  %s\n' "${differ[@]}"
    return 1
  fi
  echo "test: all ${#files[@]} C++ files are in the tree's style"
}

# runTests BUILD_DIR: runs the tests of a configured and built tree, prints
# how many ran, and fails when a suite the build configured
# (BUILD_DIR/tonalix-suites.txt) ran no test at all.
runTests() {
  local dir=$1 log labels missing ran
  log=$(mktemp /tmp/tonalix-ctest.XXXXXX)
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  ran=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n1)
  rm -f "$log"
  labels=$(ctest --test-dir "$dir" --print-labels 2>/dev/null | sed -n 's/^  //p' | sort -u)
  missing=$(comm -23 <(sort -u "$dir/tonalix-suites.txt") <(printf '%s\n' "$labels"))
  local suites
  suites=$(grep -c . "$dir/tonalix-suites.txt")
  echo "test: ${dir#"$root"/} ran ${ran:-no} tests of $suites suites"
  if [ -n "$missing" ]; then
    echo "test: ${dir#"$root"/}: these suites ran no test:"
    printf '%s\n' "$missing" | sed 's/^/  /'
    return 1
  fi
  if [ -z "$ran" ] || [ "$ran" -lt "$suites" ]; then
    echo "test: ${dir#"$root"/} ran fewer tests than its $suites suites"
    return 1
  fi
  return "$rc"
}

runSuite() {  # runSuite BUILD_DIR CMAKE_ARGS...
  local dir=$1; shift
  cmake -S "$root" -B "$root/$dir" "$@" || return 1
  cmake --build "$root/$dir" -j"$jobs" || return 1
  runTests "$root/$dir"
}

# The Debian package of a build: made with CPack, checked by lintian, its
# copyright file, desktop entry, AppStream metadata and scalable icon
# checked, then unpacked with dpkg-deb -x and started under Xvfb.
packageSuite() {  # packageSuite BUILD_DIR
  local dir=$root/$1 deb rc
  rm -f "$dir"/tonalix_*.deb
  (cd "$dir" && cpack -G DEB) || return 1
  deb=$(ls "$dir"/tonalix_*_"$(dpkg --print-architecture)".deb 2>/dev/null | head -n1)
  [ -n "$deb" ] || { echo "test: cpack made no package"; return 1; }
  echo "test: lintian $deb"
  lintian --fail-on error "$deb" || return 1
  bash "$root/tests/platform/package-metadata.sh" "$deb" "$(dpkg-deb -f "$deb" Version)" || return 1
  bash "$root/tests/platform/xvfb-smoke.sh" "$dir" "$dir/screenshots" "$deb"
  rc=$?
  if [ $rc = 77 ]; then
    echo "test: the smoke test of the package was skipped"
    rc=0
  fi
  return $rc
}

checkFormat || status=1

# The Windows programs first: the Linux build's tests run them beside its own.
if "$root/scripts/build-windows.sh"; then
  if startWine; then
    runTests "$root/build-windows" || status=1
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
# fontconfig, behind the renderer's pictures, keeps caches it never frees.
LSAN_OPTIONS=suppressions=$root/tests/lsan.supp \
  runSuite build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTONALIX_SANITIZE=ON -DTONALIX_BENCH=OFF || status=1

for target in formula dataFile renderArguments; do
  echo "test: fuzzing $target for 60 s"
  "$root/scripts/fuzz.sh" "$target" 60 || status=1
done

stopWine
stopSoundServer
checkRealHome || status=1
exit $status
