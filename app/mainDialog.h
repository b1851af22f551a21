// The main window: the entry point, message routing, initialisation, the
// volume list and trackbar, and the stream's notices.
#pragma once

#include <cstdint>

#include "platform/window.h"

extern Window volumeTrackbar; // the volume trackbar, taken at initialisation

// The entry point: puts playback at rest, runs the main dialog modally and
// returns 0, the process's exit code, when it ends.
int tonalixMain(Module module);
// The main dialog's procedure.  Hands every message to the stream first.
// Returns 1 for a handled trackbar scroll, else 0.
intptr_t mainDialogProc(Window window, unsigned message, WParam wParam, LParam lParam);
// Sets the dialog up: the sound device check, images, icon, title, lists,
// trackbar range and start values.  Without a usable sound device it tells
// the user and ends the dialog.
void initMainDialog(Window window);
// Fills the drop-down lists.
void fillLists(Window window);
// Gives the volume trackbar its range 0 to 100.
void setVolumeRange();
// Puts every control to its start value.
void setDefaults(Window window);
// Follows the stream's notices: the end of playback closes the device, and a
// lost device stops the playback and is reported.
void onPlaybackNotice(Window window, WParam notice);
// Moves the trackbar to match the volume list (the trackbar runs from 100
// at the top to 0 at the bottom).
void mirrorListToTrackbar(Window window);
// Selects the volume list's item for the trackbar's position after a scroll
// of volumeTrackbar (codes TB_LINEUP to TB_BOTTOM).  Returns 1 when handled,
// else 0.
intptr_t mirrorTrackbarToList(Window window, WParam wParam, LParam lParam);
