// The waveform builder: composes formula text from the settings panel.
#pragma once

#include "app/window.h"

// Reads the panel of the main window, composes a formula from it and puts it
// into the formula box.  Returns 1 when the box was rewritten, else 0.
int composeFormula(Window window);
