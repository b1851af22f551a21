#!/bin/bash
# Installs the build into a folder of its own, starts the installed tonalix
# on a virtual X display and checks that its main window appears; saves a
# screenshot of the display.  Exit 77 (skipped) without Xvfb or without the
# private sound server (without a sound device the program only shows its
# "No waveform-audio devices." box).
#   xvfb-smoke.sh BUILD_DIR SCREENSHOT_DIR
set -u
build=$1
shots=$2
command -v Xvfb >/dev/null || { echo "skipped: Xvfb is not installed"; exit 77; }
command -v xwininfo >/dev/null || { echo "skipped: xwininfo is not installed"; exit 77; }
if [ -z "${PULSE_SERVER:-}" ] || ! pactl info >/dev/null 2>&1; then
  echo "skipped: no sound server (scripts/test.sh starts one)"
  exit 77
fi

work=$(mktemp -d /tmp/tonalix-smoke.XXXXXX)
xvfb=
app=
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
for f in bin/tonalix share/applications/tonalix.desktop; do
  [ -e "$work/prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done

# -displayfd picks a free display and writes its number
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

XDG_CONFIG_HOME="$work/config" "$work/prefix/bin/tonalix" >"$work/app.log" 2>&1 &
app=$!
found=0
for _ in $(seq 100); do
  if xwininfo -root -tree 2>/dev/null | grep -q '" Tonalix"'; then
    found=1
    break
  fi
  kill -0 "$app" 2>/dev/null || break
  sleep 0.1
done
if [ $found = 0 ]; then
  echo "the window did not appear"
  xwininfo -root -tree 2>/dev/null | head -40
  cat "$work/app.log"
  exit 1
fi
sleep 1    # let it paint
mkdir -p "$shots"
xwd -root -silent >"$shots/xvfb-window.xwd"
if command -v convert >/dev/null; then
  convert "xwd:$shots/xvfb-window.xwd" "$shots/xvfb-window.png" && rm -f "$shots/xvfb-window.xwd"
fi
xwininfo -root -tree | grep '" Tonalix"'
echo "window shown; screenshot in $shots"
exit 0
