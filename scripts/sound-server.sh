#!/bin/bash
# A private sound server for the real-sound tests: PulseAudio with one null
# sink, no D-Bus, never exiting while idle, its socket in a temporary folder.
# Source this file, then call startSoundServer and, at the end,
# stopSoundServer.  Run as "sound-server.sh --foreground DIR", it writes the
# files of a server into DIR and becomes that server (for tests that stop or
# kill a server of their own).  startSoundServer exports what clients need:
#   PULSE_SERVER         the server's socket (parec, pactl, ALSA's pulse plugin)
#   ALSA_CONFIG_PATH     an ALSA configuration whose default device is the server
#   TONALIX_SOUND_SINK   the null sink; record its monitor (TONALIX_SOUND_SINK.monitor)
# and returns non-zero when no server could be started.

# writeServerFiles DIR: the server's configuration in DIR (server.pa) and the
# ALSA configuration that leads the default device to it (asound.conf).
writeServerFiles() {
  local dir=$1
  mkdir -p "$dir/runtime" "$dir/home"
  # The sink runs at the stream's own rate, 132300 Hz: what is played reaches
  # it without resampling (Wine's waveOut opens it directly in that format).
  cat >"$dir/server.pa" <<PA
load-module module-null-sink sink_name=tonalix_null rate=132300 channels=1 sink_properties=device.description=TonalixNull
set-default-sink tonalix_null
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
PA
  # The configuration ALSA reads: the stock one, then a default device that
  # leads to this server whatever the machine's own configuration says.
  cat >"$dir/asound.conf" <<ALSA
</usr/share/alsa/alsa.conf>
pcm.!default { type pulse }
ctl.!default { type pulse }
ALSA
}

# runServer DIR: runs the server of DIR in the foreground (exec: the caller's
# process becomes the server).  Its socket is DIR/native.
runServer() {
  local dir=$1
  # Running as root, PulseAudio wants to be a system daemon; -n, --system=no
  # and its own HOME and runtime folder keep it a private user server.
  HOME="$dir/home" PULSE_RUNTIME_PATH="$dir/runtime" \
    XDG_RUNTIME_DIR="$dir/runtime" DBUS_SESSION_BUS_ADDRESS=disabled: \
    exec pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 \
      --disallow-exit=yes --use-pid-file=no --system=no --disable-shm=yes \
      --log-target=file:"$dir/log" --log-level=notice \
      >/dev/null 2>&1
}

startSoundServer() {
  command -v pulseaudio >/dev/null || { echo "sound-server: pulseaudio is not installed" >&2; return 1; }
  soundServerDir=$(mktemp -d /tmp/tonalix-sound.XXXXXX) || return 1
  writeServerFiles "$soundServerDir"
  (runServer "$soundServerDir") &
  soundServerPid=$!
  export PULSE_SERVER="unix:$soundServerDir/native"
  export ALSA_CONFIG_PATH="$soundServerDir/asound.conf"
  export TONALIX_SOUND_SINK=tonalix_null
  local i
  for i in $(seq 50); do
    if pactl info >/dev/null 2>&1; then
      return 0
    fi
    kill -0 "$soundServerPid" 2>/dev/null || break
    sleep 0.1
  done
  echo "sound-server: the server did not start; see $soundServerDir/log" >&2
  stopSoundServer
  return 1
}

stopSoundServer() {
  if [ -n "${soundServerPid:-}" ]; then
    kill "$soundServerPid" 2>/dev/null
    wait "$soundServerPid" 2>/dev/null
    # Not a child of this shell any more (a subshell started it): wait until
    # it is gone, so that it writes nothing into the folder removed below.
    local i
    for i in $(seq 50); do
      kill -0 "$soundServerPid" 2>/dev/null || break
      sleep 0.1
    done
    soundServerPid=
  fi
  unset PULSE_SERVER ALSA_CONFIG_PATH TONALIX_SOUND_SINK
  if [ -n "${soundServerDir:-}" ]; then
    rm -rf "$soundServerDir"
    soundServerDir=
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = --foreground ] && [ -n "${2:-}" ]; then
  writeServerFiles "$2"
  runServer "$2"
fi
