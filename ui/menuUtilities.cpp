// The menu's utility commands: the help page and the volume control.
#include "ui/menuUtilities.h"

#include "platform/system.h"

namespace {

// The help page lies beside the program; the run command starts the
// program in that folder, so the relative path finds it.
const char *const helpPage = "./index.html";

const int commandLineSize = 560; // bytes of an expanded command line

} // namespace

// Each command is expanded (%NAME%) before it is started, so a platform may
// name its programs by environment variables.  On Windows the old mixer's two
// places come first; no Windows since Vista has either, so the mixer of
// current Windows follows.  On Linux the sound server's mixer comes first,
// then the sound card's mixer in a terminal.
const char *const volumeControlCommands[] = {
#ifdef _WIN32
    "%SystemRoot%\\System32\\sndvol32.exe",
    "%SystemRoot%\\sndvol32.exe",
    "%SystemRoot%\\System32\\SndVol.exe",
#else
    "pavucontrol",
    "x-terminal-emulator -e alsamixer",
#endif
    nullptr,
};

void openHelpPage(Window owner) { openWithShell(owner, "open", helpPage, SW_SHOWMAXIMIZED); }

int launchVolumeControl() {
    char commandLine[commandLineSize];
    for (int i = 0; volumeControlCommands[i]; i++) {
        if (!expandEnvironment(volumeControlCommands[i], commandLine, sizeof commandLine)) continue;
        if (startProgram(commandLine, volumeControlWaitMs)) return 1;
    }
    return 0;
}
