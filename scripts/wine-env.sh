#!/bin/bash
# A private Wine for the Windows tests: its own prefix, a virtual display,
# and a persistent wineserver so that each test program starts in a tenth of
# a second instead of three.  Source this file, then call startWine and, at
# the end, stopWine.  startWine exports WINEPREFIX, DISPLAY and WINEDEBUG and
# returns non-zero when Wine cannot be started.
#
# What Wine needs here, learnt the hard way:
# - DISPLAY must be set before the prefix's first process (wineboot), or every
#   later dialog fails to open;
# - without a window manager, windows must be unmanaged (X11 Driver
#   Managed=N), or every window close stalls for two seconds;
# - the dialog fonts of the templates do not exist on Linux: substitutes map
#   them to the Japanese fonts that are installed;
# - the substitutes do not reach the font of message boxes and menus
#   (Tahoma, Wine's system font), whose texts then show as boxes: a font link
#   gives Tahoma the Japanese font's glyphs.

startWine() {
  command -v wine >/dev/null || { echo "wine-env: wine is not installed" >&2; return 1; }
  wineDir=$(mktemp -d /tmp/tonalix-wine.XXXXXX) || return 1
  # The prefix named by the caller (scripts/private-home.sh), or one here.
  export WINEPREFIX="${WINEPREFIX:-$wineDir/prefix}"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="     # no Mono or Gecko installer at first start
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 90 120); do
      [ -e "/tmp/.X11-unix/X$n" ] && continue
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      wineXvfbPid=$!
      export DISPLAY=":$n"
      break
    done
    local i
    for i in $(seq 50); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
  fi
  wineserver -p >/dev/null 2>&1
  if ! timeout 180 wineboot -i >/dev/null 2>&1; then
    echo "wine-env: wineboot failed" >&2
    stopWine
    return 1
  fi
  wineDesktopSettings
  return 0
}

# wineDesktopSettings: gives the prefix WINEPREFIX the settings above (the
# unmanaged windows, the font substitutes and the font link).  The prefix has
# been started with a display.
wineDesktopSettings() {
  local file
  file=$(mktemp /tmp/tonalix-wine-settings.XXXXXX) || return 1
  # regedit reads a version 5 file as UTF-16 with its byte-order mark
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; } >"$file" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS UI Gothic"="Noto Sans CJK JP"
"MS Shell Dlg"="Noto Sans CJK JP"
"MS Shell Dlg 2"="Noto Sans CJK JP"
"Tahoma"="Noto Sans CJK JP"
"ＭＳ ゴシック"="Noto Sans Mono CJK JP"
"MS Gothic"="Noto Sans Mono CJK JP"
REG
  wine regedit /S "$file" >/dev/null 2>&1
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v Tahoma \
    /t REG_MULTI_SZ /d 'NotoSansCJK-Regular.ttc,Noto Sans CJK JP' /f >/dev/null 2>&1
  local rc=$?
  rm -f "$file"
  return $rc
}

stopWine() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
  fi
  if [ -n "${wineXvfbPid:-}" ]; then
    kill "$wineXvfbPid" 2>/dev/null
    wait "$wineXvfbPid" 2>/dev/null
    wineXvfbPid=
    unset DISPLAY
  fi
  if [ -n "${wineDir:-}" ]; then
    rm -rf "$wineDir"
    wineDir=
  fi
  unset WINEPREFIX
}
