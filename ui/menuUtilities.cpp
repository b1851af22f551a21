// The menu's utility commands: the help page and the volume control.
#include "ui/menuUtilities.h"

#include "platform/system.h"

namespace {

// The help page lies beside the program; the run command starts the
// program in that folder, so the relative path finds it.
const char *const helpPage = "./index.html";

const int commandLineSize = 560;        // bytes of an expanded command line

}  // namespace

// The sound server's mixer first, then the sound card's mixer in a terminal.
// Each is expanded (%NAME%) before it is started, so a platform may name its
// programs by environment variables.
const char *const volumeControlCommands[] = {
#ifdef _WIN32
    "%SystemRoot%\\System32\\sndvol32.exe",
    "%SystemRoot%\\sndvol32.exe",
#else
    "pavucontrol",
    "x-terminal-emulator -e alsamixer",
#endif
    nullptr,
};

void openHelpPage(Window owner) {
    openWithShell(owner, "open", helpPage, SW_SHOWMAXIMIZED);
}

int launchVolumeControl() {
    char commandLine[commandLineSize];
    for (int i = 0; volumeControlCommands[i]; i++) {
        if (!expandEnvironment(volumeControlCommands[i], commandLine, sizeof commandLine))
            continue;
        if (startProgram(commandLine, volumeControlWaitMs))
            return 1;
    }
    return 0;
}
