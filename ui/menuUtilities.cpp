// The menu's utility commands: the help page and the volume control.
#include "ui/menuUtilities.h"

#include "ui/desktop.h"

namespace {

// The help page lies beside the program; the run command starts the
// program in that folder, so the relative path finds it.
const char *const helpPage = "./index.html";

// The volume controls of the desktop, in the order they are tried: the
// sound server's mixer first, then the sound card's mixer in a terminal.
const char *const mixerWindow[] = {"pavucontrol", nullptr};
const char *const mixerInTerminal[] = {"x-terminal-emulator", "-e", "alsamixer", nullptr};

}  // namespace

const char *const *const volumeControlCommands[] = {mixerWindow, mixerInTerminal, nullptr};

void openHelpPage(Window owner) {
    openDocument(owner, helpPage, SW_SHOWMAXIMIZED);
}

int launchVolumeControl() {
    for (int i = 0; volumeControlCommands[i]; i++)
        if (startProgram(volumeControlCommands[i], volumeControlWaitMs))
            return 1;
    return 0;
}
