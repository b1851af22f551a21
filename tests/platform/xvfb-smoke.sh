#!/bin/bash
# Lays the program out in a folder of its own as it would be installed,
# checks what the desktop and the program look for there, starts tonalix on
# a virtual X display the way its desktop entry does and checks that its
# main window appears; saves a screenshot of the display.
#   xvfb-smoke.sh BUILD_DIR SCREENSHOT_DIR            the build, installed with DESTDIR
#   xvfb-smoke.sh BUILD_DIR SCREENSHOT_DIR PACKAGE    the package, unpacked with dpkg-deb -x
# Exit 77 (skipped) without Xvfb, xwininfo or desktop-file-validate, or
# without the private sound server (without a sound device the program only
# shows its "No waveform-audio devices." box).
set -u
build=$1
shots=$2
package=${3:-}
command -v Xvfb >/dev/null || { echo "skipped: Xvfb is not installed"; exit 77; }
command -v xwininfo >/dev/null || { echo "skipped: xwininfo is not installed"; exit 77; }
command -v desktop-file-validate >/dev/null || { echo "skipped: desktop-file-validate is not installed"; exit 77; }
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
fail() {
  echo "$*"
  exit 1
}

# Everything below $root stands where it would stand below / once installed.
root=$work/root
if [ -n "$package" ]; then
  dpkg-deb -x "$package" "$root" || fail "cannot unpack $package"
  picture=xvfb-package-window
else
  DESTDIR=$root cmake --install "$build" >"$work/install.log" || { cat "$work/install.log"; exit 1; }
  picture=xvfb-window
fi
desktop=$(find "$root" -path '*/share/applications/org.tonalix.Tonalix.desktop' | head -n1)
[ -n "$desktop" ] || fail "no share/applications/org.tonalix.Tonalix.desktop"
prefix=${desktop%/share/applications/org.tonalix.Tonalix.desktop}
for f in bin/tonalix bin/tonalix-render share/icons/hicolor/32x32/apps/org.tonalix.Tonalix.png; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses $desktop"

# The desktop entry starts the program in the help page's folder, which it
# opens as ./index.html; the About box's link names the page by its address.
folder=$(sed -n 's/^Path=//p' "$desktop")
[ -f "$root$folder/index.html" ] || fail "the desktop entry's folder $folder holds no index.html"
link=$(grep -a -o 'file://[^[:space:][:cntrl:]]*index\.html' "$prefix/bin/tonalix" | head -n1)
[ -n "$link" ] || fail "no help page address in bin/tonalix"
[ -f "$root${link#file://}" ] || fail "the About link names ${link#file://}, which is not installed"

# The renderer: eight samples, 16 bytes.
bytes=$("$prefix/bin/tonalix-render" --samples 8 'sin(440*6.2831853071795865*t)' | wc -c)
[ "$bytes" = 16 ] || fail "tonalix-render wrote $bytes bytes for 8 samples"

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

(cd "$root$folder" && XDG_CONFIG_HOME="$work/config" exec "$prefix/bin/tonalix") >"$work/app.log" 2>&1 &
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
xwd -root -silent >"$shots/$picture.xwd"
if command -v xwdtopnm >/dev/null && command -v pnmtopng >/dev/null; then
  xwdtopnm "$shots/$picture.xwd" 2>/dev/null | pnmtopng >"$shots/$picture.png" 2>/dev/null && rm -f "$shots/$picture.xwd"
fi
xwininfo -root -tree | grep '" Tonalix"'
echo "window shown; screenshot in $shots"
exit 0
