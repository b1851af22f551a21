// Pictures of what the screen shows, for review: the test of the dialogs and
// tonalix-click save them as BMP files.
#pragma once

#include <windows.h>

// Returns 1 after writing the region of the screen inside area (screen
// coordinates) to path as a 24-bit BMP file, else 0.
int saveScreenArea(const RECT &area, const char *path);
