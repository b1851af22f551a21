// A sound server of a test's own: see privateSoundServer.h.
#include "tests/support/privateSoundServer.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Returns 1 when something accepts connections on the unix socket path.
int socketAnswers(const std::string &path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    struct sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    int answered = connect(fd, (struct sockaddr *)&address, sizeof address) == 0;
    close(fd);
    return answered;
}

// Returns 1 when the server of folder answers with its null sink as the
// default: PipeWire answers a moment before WirePlumber has linked it.
int serverReady(const std::string &folder) {
    if (!socketAnswers(folder + "/native")) return 0;
    const std::string check =
        "PULSE_SERVER=unix:" + folder + "/native pactl info 2>/dev/null | grep -q '^Default Sink: tonalix_null$'";
    return std::system(check.c_str()) == 0;
}

// Ends the helpers a server wrote into its folder (PipeWire's bus and
// WirePlumber).
void endHelpers(const std::string &folder) {
    std::FILE *helpers = std::fopen((folder + "/helpers").c_str(), "r");
    if (!helpers) return;
    int pid;
    while (std::fscanf(helpers, "%d", &pid) == 1)
        if (pid > 0) kill(pid, SIGKILL);
    std::fclose(helpers);
}

} // namespace

int privateServerAvailable(SoundServerKind kind) {
    return std::system(("command -v " + std::string(soundServers[kind].program) + " >/dev/null 2>&1").c_str()) == 0;
}

int startPrivateServer(PrivateSoundServer *server) {
    if (server->folder.empty()) {
        char folder[] = "/tmp/tonalix-fault.XXXXXX";
        if (!mkdtemp(folder)) return 0;
        server->folder = folder;
    }
    // The clients of this process (the pulse plugin of ALSA) read these at
    // every connection; ALSA reads its configuration once, and every server
    // of the folder writes the same one.
    setenv("PULSE_SERVER", ("unix:" + server->folder + "/native").c_str(), 1);
    setenv("ALSA_CONFIG_PATH", (server->folder + "/asound.conf").c_str(), 1);
    endHelpers(server->folder); // those of a server killed before, in the same folder
    pid_t child = fork();
    if (child < 0) return 0;
    if (child == 0) {
        execl("/bin/bash", "bash", SOUND_SERVER_SCRIPT, "--foreground", server->folder.c_str(),
              soundServers[server->kind].script, (char *)nullptr);
        _exit(127);
    }
    server->pid = child;
    for (int i = 0; i < 100; i++) {
        if (serverReady(server->folder)) return 1;
        if (waitpid(child, nullptr, WNOHANG) == child) break;
        usleep(50000);
    }
    signalPrivateServer(server, SIGKILL);
    return 0;
}

void signalPrivateServer(PrivateSoundServer *server, int signal) {
    if (server->pid <= 0) return;
    kill(server->pid, signal);
    if (signal == SIGKILL || signal == SIGTERM) {
        waitpid(server->pid, nullptr, 0);
        server->pid = -1;
    }
}

void removePrivateServer(PrivateSoundServer *server) {
    if (server->pid > 0) {
        kill(server->pid, SIGCONT);
        signalPrivateServer(server, SIGKILL);
    }
    if (!server->folder.empty()) endHelpers(server->folder);
    if (!server->folder.empty()) std::system(("rm -rf '" + server->folder + "'").c_str());
    server->folder.clear();
}
