// The menu's utility commands: the help page and the volume control.
#pragma once

#include "app/window.h"

// Opens the help page ./index.html with the desktop, owned by owner.
void openHelpPage(Window owner);
// Starts the system's volume-control program.  Returns 1 when it started,
// else 0.
int launchVolumeControl();
