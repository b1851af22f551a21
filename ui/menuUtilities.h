// The menu's utility commands: the help page and the volume control.
#pragma once

#include "platform/window.h"

const unsigned volumeControlWaitMs = 10000; // longest wait for the volume control to start

// Asks the desktop to open the help page "./index.html", relative to the
// current folder, maximised and owned by owner.  Nothing is reported, also
// when the page is missing.
void openHelpPage(Window owner);

// Starts the desktop's volume-control program, trying the commands of
// volumeControlCommands in order until one starts.  Returns 1 when one was
// started, 0 when none could be (silently).
int launchVolumeControl();

// The command lines tried, in order, ended by a null entry.
extern const char *const volumeControlCommands[];
