#!/bin/bash
# A private home for everything a run starts: HOME, XDG_CONFIG_HOME,
# XDG_CACHE_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR and WINEPREFIX all lie in one
# temporary folder, so that the run is the same on a new machine and on one
# whose home already holds a Wine prefix, font caches or settings.  Source
# this file, then call startPrivateHome; checkRealHome tells whether the
# user's real home changed meanwhile, and stopPrivateHome removes the folder.
#
# The project itself may lie in the home: its folder is not looked at.

# homeListing: every path in the real home, three levels deep (the project's
# folder left out), with its modification time.
homeListing() {
  find "$realHome" -maxdepth 3 -path "$root" -prune -o -printf '%p\t%T@\n' 2>/dev/null | sort
}

startPrivateHome() {
  realHome=${HOME:-$(getent passwd "$(id -u)" | cut -d: -f6)}
  privateHome=$(mktemp -d /tmp/tonalix-home.XXXXXX) || return 1
  mkdir -p "$privateHome/.config" "$privateHome/.cache" "$privateHome/.local/share" "$privateHome/runtime"
  chmod 700 "$privateHome/runtime"
  realHomeBefore=$privateHome.before
  homeListing >"$realHomeBefore"
  export HOME=$privateHome
  export XDG_CONFIG_HOME=$privateHome/.config
  export XDG_CACHE_HOME=$privateHome/.cache
  export XDG_DATA_HOME=$privateHome/.local/share
  export XDG_RUNTIME_DIR=$privateHome/runtime
  export WINEPREFIX=$privateHome/wine
  echo "private-home: everything runs with the private home $privateHome (HOME, XDG_CONFIG_HOME," \
    "XDG_CACHE_HOME, XDG_DATA_HOME, XDG_RUNTIME_DIR, WINEPREFIX); it is removed at the end"
}

# checkRealHome: returns 0 when the real home holds the same paths with the
# same times as at the start (no ~/.wine, no ~/.config/Quillmark, no new
# cache folder); otherwise names each path that appeared, went or changed.
checkRealHome() {
  local changed
  changed=$(diff "$realHomeBefore" <(homeListing) | sed -n 's/^[<>] \(.*\)\t[^\t]*$/\1/p' | sort -u)
  if [ -n "$changed" ]; then
    echo "private-home: the run changed these paths of the real home $realHome:"
    printf '%s\n' "$changed" | sed 's/^/  /'
    return 1
  fi
  echo "private-home: the real home $realHome is as it was"
}

stopPrivateHome() {
  if [ -n "${privateHome:-}" ]; then
    rm -rf "$privateHome" "$realHomeBefore"
    export HOME=$realHome
    privateHome=
  fi
}
