// The menu's utility commands.  Not built yet: both do nothing.
#include "ui/menuUtilities.h"

void openHelpPage(Window owner) { (void)owner; }

int launchVolumeControl() { return 0; }
