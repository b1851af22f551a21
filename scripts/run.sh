#!/bin/bash
# Installs what is missing, builds Tonalix and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build" -j"$(nproc)"
if [ -x "$root/build/app/tonalix" ]; then
  # The help page is opened as ./index.html, so start in the folder that holds it.
  cd "$root/build/app" && exec ./tonalix
fi
exec "$root/build/tools/tonalix-render" --samples 8 "sin(440*6.2831853071795865*t)" | od -An -td2
