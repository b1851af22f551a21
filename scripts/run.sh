#!/bin/bash
# Installs what is missing, builds Tonalix and starts it.  On a machine with
# no display (neither DISPLAY nor WAYLAND_DISPLAY) the window cannot open:
# the script says so, plays three seconds of the start formula on the sound
# device instead when there is one, and prints the command that opens the
# window once a display exists.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j"$(nproc)"
startFormula="sin(440*6.2831853071795865*t)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the window cannot open"
  if "$root/build/tools/tonalix-render" --play --seconds 3 "$startFormula"; then
    echo "run: played 3 s of $startFormula on the sound device instead"
  else
    echo "run: no sound device either; the first samples of $startFormula, rendered:"
    "$root/build/tools/tonalix-render" --samples 8 "$startFormula" | od -An -td2
  fi
  echo "run: once a display exists, open the window with: (cd $root/build/app && ./tonalix)"
  echo "run: or, on a virtual display: (cd $root/build/app && xvfb-run ./tonalix)"
  exit 0
fi
# The help page is opened as ./index.html, so start in the folder that holds it.
cd "$root/build/app" && exec ./tonalix
