// The About box: the program's name, version and rights notice, and a link
// to the help page that turns from blue to purple once clicked.
#pragma once

#include <cstdint>

#include "platform/window.h"

// Link colours in the platform's 0x00BBGGRR form, indexed by linkVisited.
const uint32_t linkColours[2] = {
    0x00FF0000u, // blue: not clicked yet in this run
    0x00800080u, // purple: clicked
};

// Answers to a colour query (WM_CTLCOLORSTATIC): which brush paints the
// background of the static control.  A Windows backend hands out the stock
// brush of that name; a backend without brushes takes any nonzero answer to
// mean "paint with what was set on the draw context".
const intptr_t hollowBrushAnswer = 5;      // NULL_BRUSH: the text is drawn over the dialog face
const intptr_t buttonFaceBrushAnswer = 16; // the button-face system colour (index 15 plus one)

// 1 once the link was clicked; never cleared, so the link stays purple in
// later openings of the box for the rest of the run.
extern int linkVisited;

// Runs the About box (template 103) modally over owner; returns when it is
// closed.
void showAboutBox(Window owner);

// The box's message procedure.
intptr_t aboutDialogProc(Window dialog, unsigned message, WParam wParam, LParam lParam);

// Sets the texts of 1004, 1003, 1005 and 1006 from string-table entries 4,
// 1, 3 and 6, in that order.
void fillAboutTexts(Window dialog);

// Returns the cursor shown over the link: the desktop's pointing hand, or
// the standard arrow when there is none.
Cursor loadLinkCursor();
