#!/bin/bash
# tonalix started with no display: one line on standard error that names
# what is missing, exit status 1, nothing on standard output and no core
# dump (Qt alone would abort).
#   noDisplay.sh PROGRAM
set -u
program=$1
work=$(mktemp -d /tmp/tonalix-no-display.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
ulimit -c unlimited 2>/dev/null
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" >"$work/out" 2>"$work/err"
status=$?
failed=0
fail() {
  echo "$*"
  failed=1
}
[ "$status" = 1 ] || fail "exit status $status, not 1"
[ "$(wc -l <"$work/err")" = 1 ] || fail "standard error is not one line:"$'\n'"$(cat "$work/err")"
grep -q 'needs a display (X11 or Wayland)' "$work/err" || fail "the message does not name the display: $(cat "$work/err")"
[ ! -s "$work/out" ] || fail "it printed on standard output: $(cat "$work/out")"
cores=$(find "$work" -name 'core*')
[ -z "$cores" ] || fail "it dumped core: $cores"
exit $failed
