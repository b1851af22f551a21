// The About box.
#pragma once

#include "app/window.h"

// Shows the About box modally over owner; returns when it is closed.
void showAboutBox(Window owner);
