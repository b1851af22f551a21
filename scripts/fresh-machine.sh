#!/bin/bash
# A rehearsal on a truly fresh Debian 12 system: builds a minimal one in a
# folder under /tmp with mmdebstrap (from this machine's own apt sources),
# copies a clean clone of the project's committed work into it and runs the
# README's two set-up commands there as a new user would, each from nothing:
#   1. bash scripts/run.sh, on a virtual display and with a sound server,
#      as on a desktop: it passes when the main window appears;
#   2. bash scripts/test.sh, which passes when it exits 0.
# Prints the time of each and whether it passed; a screenshot of the first
# goes to build-fresh/.  Needs root (mmdebstrap, chroot and mounts) and
# takes long: it is not part of the tests.
#   scripts/fresh-machine.sh [--keep]   --keep leaves the system in place
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
keep=0
[ "${1:-}" = --keep ] && keep=1
[ "$(id -u)" = 0 ] || { echo "fresh-machine: run as root (mmdebstrap, chroot and mounts need it)" >&2; exit 1; }
for p in mmdebstrap xvfb x11-utils x11-apps netpbm pulseaudio pulseaudio-utils git; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" && continue
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null || exit 1
done

work=$(mktemp -d /tmp/tonalix-fresh.XXXXXX)
system=$work/system
shots=$root/build-fresh
mkdir -p "$shots"
xvfb=
mounts=()
# shellcheck source=/dev/null
source "$root/scripts/sound-server.sh"
cleanup() {
  local m
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -l "${mounts[i]}" 2>/dev/null
  done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  stopSoundServer
  if [ $keep = 0 ]; then rm -rf "$work"; else echo "fresh-machine: the system stays in $system"; fi
}
trap cleanup EXIT
seconds() { date +%s; }

# The system: Debian 12's smallest installation, from the sources this
# machine uses, with sudo (the README's commands ask for root or sudo).
sources=()
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
  [ -s "$f" ] && grep -q '^[^#]' "$f" && sources+=("$f")
done
echo "fresh-machine: building a minimal Debian 12 in $system"
mmdebstrap --variant=minbase --include=sudo,ca-certificates bookworm "$system" "${sources[@]}" \
  >"$work/mmdebstrap.log" 2>&1 || { tail -20 "$work/mmdebstrap.log"; exit 1; }
cp /etc/resolv.conf "$system/etc/resolv.conf"

# A clean clone of the committed work, owned by the new user's root.
git clone -q --no-hardlinks "$root" "$system/root/tonalix" || exit 1

bindMount() {  # bindMount SOURCE TARGET [OPTIONS]
  mkdir -p "$2"
  mount ${3:+-o "$3"} --bind "$1" "$2" && mounts+=("$2")
}
mount -t proc proc "$system/proc" && mounts+=("$system/proc")
mount -t sysfs sys "$system/sys" && mounts+=("$system/sys")
bindMount /dev "$system/dev"
bindMount /dev/pts "$system/dev/pts"
mount -t tmpfs shm "$system/dev/shm" && mounts+=("$system/dev/shm")

# The desktop of the first command: a virtual display and a sound server of
# this machine, whose sockets the system sees at the same paths.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
display=":$(head -n1 "$work/display")"
bindMount /tmp/.X11-unix "$system/tmp/.X11-unix"
startSoundServer || { echo "fresh-machine: no sound server"; exit 1; }
bindMount "$soundServerDir" "$system$soundServerDir"

inSystem() {  # inSystem ENV... -- COMMAND...: runs in the system as its root
  chroot "$system" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 TERM=dumb "$@"
}

# 1. bash scripts/run.sh: it installs, builds and opens the window.
echo "fresh-machine: 1. bash scripts/run.sh on the display $display"
start=$(seconds)
inSystem DISPLAY="$display" PULSE_SERVER="$PULSE_SERVER" ALSA_CONFIG_PATH="$ALSA_CONFIG_PATH" \
  bash -c 'cd /root/tonalix && exec bash scripts/run.sh' >"$shots/run.log" 2>&1 &
runner=$!
runPassed=0
while kill -0 "$runner" 2>/dev/null; do
  if DISPLAY=$display xwininfo -root -tree 2>/dev/null | grep -q '" Tonalix"'; then
    runPassed=1
    break
  fi
  sleep 2
done
runTime=$(($(seconds) - start))
if [ $runPassed = 1 ]; then
  sleep 2
  DISPLAY=$display xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shots/run-window.png" 2>/dev/null
fi
pkill -f -x -- './tonalix' 2>/dev/null
kill "$runner" 2>/dev/null
wait "$runner" 2>/dev/null
verdict() { if [ "$1" = 1 ]; then echo passed; else echo FAILED; fi; }
echo "fresh-machine: 1. bash scripts/run.sh: $(verdict $runPassed) in $runTime s (log: build-fresh/run.log)"
[ $runPassed = 1 ] || tail -30 "$shots/run.log"

# 2. bash scripts/test.sh, from the same clone, with no display of its own.
echo "fresh-machine: 2. bash scripts/test.sh"
start=$(seconds)
inSystem bash -c 'cd /root/tonalix && exec bash scripts/test.sh' >"$shots/test.log" 2>&1
testStatus=$?
testTime=$(($(seconds) - start))
testPassed=0
[ $testStatus = 0 ] && testPassed=1
echo "fresh-machine: 2. bash scripts/test.sh: $(verdict $testPassed) (exit $testStatus) in $testTime s (log: build-fresh/test.log)"
[ $testPassed = 1 ] || grep -E '^test:|FAILED|Error|error:' "$shots/test.log" | tail -30

echo "fresh-machine: run.sh $(verdict $runPassed) in $runTime s, test.sh $(verdict $testPassed) in $testTime s"
[ $runPassed = 1 ] && [ $testPassed = 1 ]
