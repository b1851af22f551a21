// The About box.  Not built yet: the menu command does nothing.
#include "ui/aboutBox.h"

void showAboutBox(Window owner) { (void)owner; }
