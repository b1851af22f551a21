// The Qt window backend: what the program's start-up code and the tests of
// the real window need beyond platform/window.h.
#pragma once

#include <functional>

#include <QString>

#include "platform/window.h"

class QDialog;
class QWidget;
class QMenuBar;

// Returns text, UTF-8 as every text of the window layer is, as a QString;
// null is the empty text.
inline QString qtText(const char *text) { return QString::fromUtf8(text ? text : ""); }

// Sets the fonts the dialogs are built with and the application's font.
// Call once after the QApplication exists.
void qtInitialiseWindows();

// Returns the family that stands in for a dialog font named name (the
// Japanese UI fonts of the templates map to Noto Sans CJK JP).
QString qtFontFamily(const char *name);

// Builds dialog templateId owned by owner and sends it WM_INITDIALOG, without
// showing it or running its loop.  Returns the dialog; when it ended during
// initialisation it is destroyed and null comes back.
Window qtOpenDialog(int templateId, Window owner, WindowProc proc);
// Sends WM_DESTROY to a dialog from qtOpenDialog and destroys it.
void qtCloseDialog(Window dialog);
// Returns the widget of a dialog, or null.
QDialog *qtDialogWidget(Window dialog);
// Returns the widget of control controlId of dialog, or null.
QWidget *qtControlWidget(Window dialog, int controlId);
// Returns the menu bar of a dialog, or null.
QMenuBar *qtMenuBar(Window dialog);
// Returns the bitmap resource last set on button controlId, or 0.
int qtButtonImage(Window dialog, int controlId);
// Stores a dialog's base units in pixels: a quarter of the dialog font's
// average character width horizontally, an eighth of its height vertically,
// times 4 and 8 (so the units are x / 4 and y / 8 pixels).
void qtDialogBaseUnits(Window dialog, int *baseX, int *baseY);

// Returns the period of timer timerId of window, or 0 when it is not running.
unsigned qtTimerPeriod(Window window, unsigned timerId);
// Delivers WM_TIMER for a running timer at once and restarts its period;
// returns 1 when delivered, else 0.
int qtFireTimer(Window window, unsigned timerId);

// A stand-in for message boxes, for tests: called with messageBox's
// arguments instead of showing a box; its result is the answer.  Null
// restores the real boxes.
typedef std::function<int(Window owner, const char *text, const char *caption, unsigned flags)> QtMessageBoxHook;
void qtSetMessageBoxHook(QtMessageBoxHook hook);

// Returns the folders searched for bitmap and icon files, first to last.
QStringList qtResourceFolders();
