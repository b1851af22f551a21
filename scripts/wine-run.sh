#!/bin/bash
# Runs a Windows program of the cross build under Wine, quietly: CTest and
# test discovery call it with the program and its arguments.  The Wine
# prefix and display come from the environment (scripts/wine-env.sh).
#
# Under load a new Wine process now and then loses its connection to the
# wineserver before the program starts ("wine client error").  That says
# nothing about the program, so such a start is tried once more.
export WINEDEBUG=${WINEDEBUG:--all}
errors=$(mktemp /tmp/tonalix-wine-run.XXXXXX)
trap 'rm -f "$errors"' EXIT
for attempt in 1 2; do
  wine "$@" 2>"$errors"
  status=$?
  if [ $status -eq 0 ] || ! grep -q '^wine client error' "$errors" || [ $attempt -eq 2 ]; then
    cat "$errors" >&2
    exit $status
  fi
done
