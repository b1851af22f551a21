// Small window helpers that every window of the program uses.
#pragma once

#include "platform/window.h"

const char *const appCaption = "Tonalix"; // the caption of every message box
const int resourceTextSize = 256;         // bytes of a loadResourceText buffer
const int directorySize = 260;            // bytes of the current-folder buffer

// Shows a message box with text and caption, the error icon and an OK
// button; returns the button pressed.
int showError(Window owner, const char *text, const char *caption);
// Returns the integer of the leading digits of text, as the window reads every
// number typed or picked: leading blanks, an optional sign, then digits; an
// empty text or one without digits gives 0.  A value beyond 32 bits
// saturates at the nearest bound instead of wrapping.
int leadingInteger(const char *text);
// Copies string-table entry id into buffer (resourceTextSize bytes: at most
// 255 bytes and a NUL; empty when there is no such entry).  Returns 1.
int loadResourceText(char *buffer, int id);
// Shows bitmap resource bitmapId of module on push button controlId of
// window.  Returns 1.
int setButtonBitmap(Module module, Window window, int controlId, int bitmapId);
// Stores the process's current folder in a process-wide buffer of
// directorySize bytes and returns it (empty when it cannot be read).
const char *currentDirectory();
