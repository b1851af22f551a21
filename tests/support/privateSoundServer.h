// A sound server of a test's own, to stop and kill: scripts/sound-server.sh
// run in the foreground, its socket in a folder of the test.
#pragma once

#include <string>
#include <sys/types.h>

struct PrivateSoundServer {
    std::string folder; // configuration, socket and log
    pid_t pid = -1;     // the server process, or -1
};

// Returns 1 when a server can be started here (pulseaudio is installed).
int privateServerAvailable();
// Makes folder (when empty, a new one under /tmp) the home of server, points
// this process's sound clients at it, starts the server and waits until it
// answers.  Returns 1, or 0 when it did not start.
int startPrivateServer(PrivateSoundServer *server);
// Kills the server with signal (SIGSTOP pauses it, SIGCONT resumes it); a
// signal that ends it is waited for.
void signalPrivateServer(PrivateSoundServer *server, int signal);
// Ends the server and removes its folder.
void removePrivateServer(PrivateSoundServer *server);
