#!/bin/bash
# A private sound server for the real-sound tests, with one null sink at the
# stream's rate and nothing of the user's: PulseAudio (no D-Bus, never
# exiting while idle), or PipeWire with WirePlumber and PipeWire's own pulse
# server on a session bus of its own.  Its socket lies in a temporary folder.
# Source this file, then call startSoundServer [pulseaudio|pipewire] and, at
# the end, stopSoundServer.  Run as "sound-server.sh --foreground DIR
# [KIND]", it writes the files of a server into DIR and becomes that server
# (for tests that stop or kill a server of their own); PipeWire's helpers
# (the bus and WirePlumber) then write their process ids into DIR/helpers.
# startSoundServer exports what clients need:
#   PULSE_SERVER         the server's socket (parec, pactl, ALSA's pulse plugin)
#   ALSA_CONFIG_PATH     an ALSA configuration whose default device is the server
#   TONALIX_SOUND_SINK   the null sink; record its monitor (TONALIX_SOUND_SINK.monitor)
# and returns non-zero when no server could be started.

# writeServerFiles DIR [KIND]: the server's configuration in DIR (server.pa,
# or PipeWire's and WirePlumber's under DIR/config) and the ALSA
# configuration that leads the default device to it (asound.conf).
writeServerFiles() {
  local dir=$1 kind=${2:-pulseaudio}
  mkdir -p "$dir/runtime" "$dir/home"
  # The sink runs at the stream's own rate, 132300 Hz: what is played reaches
  # it without resampling (Wine's waveOut opens it directly in that format).
  if [ "$kind" = pipewire ]; then
    # PipeWire's graph runs at the sink's rate, and the pulse server is a
    # module of the one pipewire process: pausing or killing that process
    # pauses or kills the whole server, as with PulseAudio.  WirePlumber
    # watches no device of the machine.
    mkdir -p "$dir/config/pipewire/pipewire.conf.d" "$dir/config/wireplumber/main.lua.d" \
      "$dir/config/wireplumber/bluetooth.lua.d"
    cat >"$dir/config/pipewire/pipewire.conf.d/tonalix.conf" <<PW
context.properties = {
    default.clock.rate = 132300
    default.clock.allowed-rates = [ 132300 ]
}
context.modules = [
    { name = libpipewire-module-protocol-pulse
      args = { server.address = [ "unix:$dir/native" ] } }
]
context.objects = [
    { factory = adapter
      args = { factory.name = support.null-audio-sink node.name = tonalix_null
               node.description = TonalixNull media.class = Audio/Sink
               audio.position = [ MONO ] audio.rate = 132300
               monitor.channel-volumes = true } }
]
PW
    printf 'alsa_monitor.enabled = false\nv4l2_monitor.enabled = false\nlibcamera_monitor.enabled = false\n' \
      >"$dir/config/wireplumber/main.lua.d/90-tonalix.lua"
    printf 'bluez_monitor.enabled = false\n' >"$dir/config/wireplumber/bluetooth.lua.d/90-tonalix.lua"
  else
    cat >"$dir/server.pa" <<PA
load-module module-null-sink sink_name=tonalix_null rate=132300 channels=1 sink_properties=device.description=TonalixNull
set-default-sink tonalix_null
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/native
PA
  fi
  # The configuration ALSA reads: the stock one, then a default device that
  # leads to this server whatever the machine's own configuration says.
  cat >"$dir/asound.conf" <<ALSA
</usr/share/alsa/alsa.conf>
pcm.!default { type pulse }
ctl.!default { type pulse }
ALSA
}

# serverProgram KIND: the program a server of KIND needs.
serverProgram() {
  if [ "${1:-pulseaudio}" = pipewire ]; then echo pipewire; else echo pulseaudio; fi
}

# runServer DIR [KIND]: runs the server of DIR in the foreground (exec: the
# caller's process becomes the server).  Its socket is DIR/native.
runServer() {
  local dir=$1 kind=${2:-pulseaudio}
  if [ "$kind" = pipewire ]; then
    # WirePlumber needs a session bus: one of the server's own.  It starts
    # once pipewire's socket is there, and exits when pipewire ends; the bus
    # is ended by whoever ends the server (DIR/helpers).
    export HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" XDG_CONFIG_HOME="$dir/config"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/bus" PIPEWIRE_RUNTIME_DIR="$dir/runtime"
    unset PULSE_SERVER PIPEWIRE_REMOTE
    # A server started again in the folder of a killed one finds its sockets
    # left behind; WirePlumber must wait for the new one.
    rm -f "$dir/bus" "$dir/native" "$dir/runtime/pipewire-0" "$dir/runtime/pipewire-0.lock" "$dir/helpers"
    dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile \
      >/dev/null 2>&1 </dev/null &
    echo $! >>"$dir/helpers"
    (
      for _ in $(seq 100); do
        [ -S "$dir/runtime/pipewire-0" ] && break
        sleep 0.05
      done
      exec wireplumber >"$dir/wireplumber.log" 2>&1 </dev/null
    ) &
    echo $! >>"$dir/helpers"
    exec pipewire >"$dir/log" 2>&1 </dev/null
  fi
  # Running as root, PulseAudio wants to be a system daemon; -n, --system=no
  # and its own HOME and runtime folder keep it a private user server.
  HOME="$dir/home" PULSE_RUNTIME_PATH="$dir/runtime" \
    XDG_RUNTIME_DIR="$dir/runtime" DBUS_SESSION_BUS_ADDRESS=disabled: \
    exec pulseaudio -n -F "$dir/server.pa" --daemonize=no --exit-idle-time=-1 \
      --disallow-exit=yes --use-pid-file=no --system=no --disable-shm=yes \
      --log-target=file:"$dir/log" --log-level=notice \
      >/dev/null 2>&1
}

# serverReady: 0 when the server answers and has made the null sink its
# default (WirePlumber does so a moment after PipeWire answers).
serverReady() {
  pactl info 2>/dev/null | grep -q '^Default Sink: tonalix_null$'
}

startSoundServer() {
  local kind=${1:-pulseaudio} program
  program=$(serverProgram "$kind")
  command -v "$program" >/dev/null || { echo "sound-server: $program is not installed" >&2; return 1; }
  soundServerDir=$(mktemp -d /tmp/tonalix-sound.XXXXXX) || return 1
  writeServerFiles "$soundServerDir" "$kind"
  (runServer "$soundServerDir" "$kind") &
  soundServerPid=$!
  export PULSE_SERVER="unix:$soundServerDir/native"
  export ALSA_CONFIG_PATH="$soundServerDir/asound.conf"
  export TONALIX_SOUND_SINK=tonalix_null
  local i
  for i in $(seq 100); do
    if serverReady; then
      return 0
    fi
    kill -0 "$soundServerPid" 2>/dev/null || break
    sleep 0.1
  done
  echo "sound-server: the $kind server did not start; see $soundServerDir/log" >&2
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
  if [ -n "${soundServerDir:-}" ] && [ -f "$soundServerDir/helpers" ]; then
    # shellcheck disable=SC2046
    kill $(cat "$soundServerDir/helpers") 2>/dev/null
    sleep 0.2
  fi
  unset PULSE_SERVER ALSA_CONFIG_PATH TONALIX_SOUND_SINK
  if [ -n "${soundServerDir:-}" ]; then
    rm -rf "$soundServerDir"
    soundServerDir=
  fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ "${1:-}" = --foreground ] && [ -n "${2:-}" ]; then
  writeServerFiles "$2" "${3:-pulseaudio}"
  runServer "$2" "${3:-pulseaudio}"
fi
