// A sound server of a test's own, to stop and kill: scripts/sound-server.sh
// run in the foreground, its socket in a folder of the test.  Either kind of
// server the tests know: PulseAudio, or PipeWire with WirePlumber and its
// pulse server, both reached through ALSA's pulse plugin.
#pragma once

#include <string>
#include <sys/types.h>

enum SoundServerKind { ServerPulseAudio, ServerPipeWire, SoundServerKinds };

struct SoundServerRow {
    SoundServerKind kind;
    const char *name;    // as test names show it
    const char *script;  // as sound-server.sh takes it
    const char *program; // what must be installed
};

// clang-format off
static const SoundServerRow soundServers[] = {
    {ServerPulseAudio, "PulseAudio", "pulseaudio", "pulseaudio"},
    {ServerPipeWire,   "PipeWire",   "pipewire",   "pipewire wireplumber dbus-daemon"},
};
// clang-format on
static_assert(sizeof soundServers / sizeof soundServers[0] == SoundServerKinds, "a row for every kind of server");

struct PrivateSoundServer {
    std::string folder; // configuration, socket and log
    pid_t pid = -1;     // the server process, or -1
    SoundServerKind kind = ServerPulseAudio;
};

// Returns 1 when a server of kind can be started here (its program is
// installed).
int privateServerAvailable(SoundServerKind kind = ServerPulseAudio);
// Makes folder (when empty, a new one under /tmp) the home of server, points
// this process's sound clients at it, starts a server of server->kind and
// waits until it answers with its null sink as the default.  Returns 1, or 0
// when it did not start.
int startPrivateServer(PrivateSoundServer *server);
// Kills the server with signal (SIGSTOP pauses it, SIGCONT resumes it); a
// signal that ends it is waited for.
void signalPrivateServer(PrivateSoundServer *server, int signal);
// Ends the server and its helpers and removes its folder.
void removePrivateServer(PrivateSoundServer *server);
