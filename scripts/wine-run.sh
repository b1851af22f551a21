#!/bin/bash
# Runs a Windows program of the cross build under Wine, quietly: CTest and
# test discovery call it with the program and its arguments.  The Wine
# prefix and display come from the environment (scripts/wine-env.sh).
#
# Under load a new Wine process now and then fails before the program
# starts: it loses its connection to the wineserver ("wine client error"),
# or ends at once without a word.  That says nothing about the program (every
# test program prints before it can fail), so such a start is tried again.
export WINEDEBUG=${WINEDEBUG:--all}
out=$(mktemp /tmp/tonalix-wine-run.XXXXXX)
errors=$(mktemp /tmp/tonalix-wine-run.XXXXXX)
trap 'rm -f "$out" "$errors"' EXIT
for attempt in 1 2 3; do
  wine "$@" >"$out" 2>"$errors"
  status=$?
  if [ $status -eq 0 ] || [ $attempt -eq 3 ]; then break; fi
  if [ -s "$out" ] && ! grep -q '^wine client error' "$errors"; then break; fi
  sleep 0.5
done
cat "$out"
cat "$errors" >&2
exit $status
