// The window layer held in memory, for tests.
//
// Dialogs are built from the resource tables like the real window: every
// control exists with its kind, template text and visibility.  Nothing is
// drawn and nothing waits:
//
// - message boxes are recorded and answered with IDOK at once;
// - timers only remember their period; the test fires them;
// - posted messages queue up until the test delivers them;
// - runDialog delivers posted messages, then hands the dialog to the script
//   set for its template, and returns once the dialog has ended.
//
// A test may also open a dialog without a loop (fakeOpenDialog) and drive it
// with clicks, selections and messages of its own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"

// One message box, as it was asked for.
struct FakeMessageBox {
    Window owner;
    std::string text;
    std::string caption;
    unsigned flags; // MB_ flags
};

// Forgets every window, timer, posted message, message box and quit request.
void fakeResetWindows();

// Builds dialog templateId and sends it WM_INITDIALOG, without a loop.
// Returns the dialog, also when it ended itself during initialisation.
Window fakeOpenDialog(int templateId, Window owner, WindowProc proc);
// Sends WM_DESTROY to a dialog from fakeOpenDialog and forgets it.
void fakeCloseDialog(Window dialog);
// Sets what runDialog does with an open dialog of templateId once no posted
// message is left: the script acts on the dialog and, to let runDialog
// return, ends it.  A dialog with no script, or whose script leaves it open
// with nothing posted, ends with result -1.
void fakeSetDialogScript(int templateId, std::function<void(Window dialog)> script);
// Returns 1 when endDialog was called for dialog, else 0.
int fakeDialogEnded(Window dialog);
// Returns the result given to endDialog.
intptr_t fakeDialogResult(Window dialog);
// Returns the dialog built last by fakeOpenDialog or runDialog (still open or
// not yet forgotten), or null.
Window fakeLastDialog();

// Sends message to window's procedure at once; returns its result.
intptr_t fakeSend(Window window, unsigned message, WParam wParam, LParam lParam);
// Clicks control id as the user would: a check box toggles first; then the
// dialog gets WM_COMMAND with BN_CLICKED.  Returns 0 (and does nothing) when
// the control is missing, disabled or hidden, else 1.
int fakeClick(Window dialog, int controlId);
// Picks item index of drop-down list controlId as the user would and sends
// CBN_SELCHANGE.  Returns 0 when the list is missing, disabled, hidden or
// has no such item, else 1.
int fakePick(Window dialog, int controlId, int index);
// Types text into edit controlId (replacing it) and sends EN_CHANGE; 0 when
// the edit is missing, disabled or hidden.
int fakeType(Window dialog, int controlId, const char *text);
// Moves trackbar controlId as the user would with scroll code code (TB_...):
// the position becomes position (clamped to the range) and the dialog gets
// WM_VSCROLL.  Returns the procedure's result, or 0 when the trackbar is
// missing, disabled or hidden.
intptr_t fakeScroll(Window dialog, int controlId, unsigned code, int position);

// Returns the text of a window (a control's text, a dialog's title).
std::string fakeText(Window window);
// Returns the items of list controlId in order.
std::vector<std::string> fakeListItems(Window dialog, int controlId);
// Returns 1 when control controlId is enabled, else 0.
int fakeIsEnabled(Window dialog, int controlId);
// Returns 1 when control controlId is shown, else 0.
int fakeIsVisible(Window dialog, int controlId);
// Returns the text selected in edit controlId.
std::string fakeSelectedText(Window dialog, int controlId);
// Returns 1 when control controlId has the keyboard focus, else 0.
int fakeHasFocus(Window dialog, int controlId);
// Returns the bitmap resource shown on button controlId, or 0.
int fakeButtonImage(Window dialog, int controlId);
// Returns the icon resource installed on dialog, or 0.
int fakeDialogIcon(Window dialog);
// Returns the minimum and maximum of a trackbar through the pointers.
void fakeTrackbarRange(Window trackbar, int *minimum, int *maximum);
// Returns the number of times control controlId was redrawn.
int fakeRedrawCount(Window dialog, int controlId);

// Returns the period of timer timerId of window, or 0 when it is not running.
unsigned fakeTimerPeriod(Window window, unsigned timerId);
// Delivers WM_TIMER for timer timerId of window if it runs; returns 1 when
// delivered, else 0.
int fakeFireTimer(Window window, unsigned timerId);

// Returns the number of posted messages waiting.
int fakePendingMessages();
// Delivers posted messages in order, also those posted meanwhile, until none
// is left or limit have been delivered; returns the number delivered.
int fakeDeliverPosted(int limit = 100000);
// Drops every posted message without delivering it.
void fakeDropPosted();

// Returns the message boxes shown since the last reset, oldest first.
const std::vector<FakeMessageBox> &fakeMessageBoxes();
// Sets what happens while a message box is open (before it is answered), for
// tests of what goes on behind one; null for nothing.
void fakeSetMessageBoxScript(std::function<void(const FakeMessageBox &box)> script);

// What a colour query paints with: tests make one on the stack and pass it
// as WM_CTLCOLORSTATIC's wParam.
struct DrawContextRecord {
    uint32_t textColour; // 0x00BBGGRR, set by setTextColour
    int colourSet;       // 1 once setTextColour was called
    int transparent;     // 1 once setTransparentBackground was called
};
// The cursors the fake hands out.
Cursor fakeHandCursor();
Cursor fakeArrowCursor();
// Makes loadHandCursor give null (0) or the hand (1, the default).
void fakeSetHandCursorAvailable(int available);
// Returns the cursor last given to setCursor, or null.
Cursor fakeCurrentCursor();
// Returns the result last stored with setDialogResult for dialog.
intptr_t fakeStoredDialogResult(Window dialog);

// Returns 1 when postQuitMessage was called since the last reset; its code
// is stored in exitCode.
int fakeQuitRequested(int *exitCode);
