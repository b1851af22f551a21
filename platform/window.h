// The window layer: the few dialog operations the portable core needs.
//
// The core (formula, audio, app, ui) never includes a toolkit or system
// header.  It talks to windows only through the calls below, which are shaped
// after the dialog operations of the desktop platforms so that each backend is
// a thin mapping.  The Win32 calls are named without their A or W ending: the
// core's texts are UTF-8 char strings as the A calls' are, and the backend
// calls the W ones, converting to UTF-16.
//
//   core call                 Qt backend (platform/linux)                Win32 backend
//   ------------------------  -----------------------------------------  -----------------------------------------
//   runDialog                 QDialog built from the layout, exec()      DialogBoxParam
//   endDialog                 QDialog::done, which ends exec()           EndDialog
//   controlOf                 the control's record in the dialog         GetDlgItem
//   controlIdOf               the id of the control's layout row         GetDlgCtrlID (child windows only)
//   getControlText            the text the widget shows                  GetDlgItemText
//   setControlText            setText (a list selects that item)         SetDlgItemText
//   setWindowText             QWidget::setWindowTitle                    SetWindowText
//   isChecked                 QCheckBox::isChecked                       IsDlgButtonChecked
//   checkButton               QCheckBox::setChecked                      CheckDlgButton
//   listInsert                QComboBox::insertItem                      CB_INSERTSTRING
//   listSelect                QComboBox::setCurrentIndex                 CB_SETCURSEL
//   trackbarSetRange          QSlider::setRange                          TBM_SETRANGE
//   trackbarSetPosition       QSlider::setValue                          TBM_SETPOS
//   trackbarPosition          QSlider::sliderPosition                    TBM_GETPOS
//   enableControl             QWidget::setEnabled                        EnableWindow
//   setControlFocus           QWidget::setFocus                          SetFocus(GetDlgItem)
//   selectControlText         QLineEdit::setSelection                    EM_SETSEL
//   setButtonImage            QPushButton::setIcon from the bitmap file  LoadImage, BM_SETIMAGE
//   setDialogIcon             QWidget::setWindowIcon from the icon file  LoadIcon, SetClassLongPtr(GCLP_HICON)
//   redrawControl             QWidget::update                            InvalidateRect without erasing
//   setTextColour             the label's palette, as it paints          SetTextColor
//   setTransparentBackground  nothing: labels paint on the dialog face   SetBkMode(TRANSPARENT)
//   loadHandCursor            Qt::PointingHandCursor                     LoadCursor (winhlp32.exe's 106, IDC_HAND)
//   loadArrowCursor           Qt::ArrowCursor                            LoadCursor(IDC_ARROW)
//   setCursor                 QWidget::setCursor after WM_SETCURSOR      SetCursor
//   setDialogResult           kept in the dialog's record                SetWindowLongPtr(DWLP_MSGRESULT)
//   startTimer                QTimer on the window thread                SetTimer
//   stopTimer                 QTimer::stop                               KillTimer
//   messageBox                QMessageBox::exec                          MessageBox
//   postMessage               QCoreApplication::postEvent                PostMessage
//   postQuitMessage           QEventLoop::exit                           PostQuitMessage
//   createMessageWindow       a QObject that takes posted events         CreateWindowEx(HWND_MESSAGE)
//   destroyMessageWindow      deletes that QObject                       DestroyWindow
//   runMessageLoop            QEventLoop::exec                           GetMessage, DispatchMessage loop
//
// lowWord and commandParam are inline here, the same on every backend: LOWORD
// and MAKEWPARAM(id, notification).
//
// Every operation runs on the one thread that runs the window, except
// postMessage, which any thread may call: that is how an audio device thread
// hands its finished buffers back to the window thread.
//
// Backends: on Linux platform/linux/qtWindow.cpp with qtMessages.cpp and
// qtDialogBuilder.cpp (the real window) and platform/linux/consoleWindow.cpp
// (tonalix-render's message-only loop, with its own queue and timers:
// postMessage, startTimer, stopTimer, postQuitMessage and the message-only
// windows, nothing else); on Windows platform/win32/win32Window.cpp (dialogs
// and message windows); for tests the fake tests/fakes/fakeWindow.cpp
// (controls in memory).
#pragma once

#include <cstdint>

struct WindowRecord;          // defined by each backend
typedef WindowRecord *Window; // a dialog or one of its controls; null is none
typedef uintptr_t WParam;     // first message parameter
typedef intptr_t LParam;      // second message parameter
typedef intptr_t (*WindowProc)(Window window, unsigned message, WParam wParam, LParam lParam);

struct DrawContextRecord;
typedef DrawContextRecord *DrawContext; // what a colour query paints with
struct CursorRecord;
typedef CursorRecord *Cursor; // a mouse pointer shape
struct ModuleRecord;
typedef ModuleRecord *Module; // the program image that holds the resources; null: this program

// Message numbers, with the values the desktop platforms give them.
#ifndef WM_DESTROY
#define WM_DESTROY 0x0002
#endif
#ifndef WM_CLOSE
#define WM_CLOSE 0x0010
#endif
#ifndef WM_SETCURSOR
#define WM_SETCURSOR 0x0020 // wParam: the window under the pointer
#endif
#ifndef WM_INITDIALOG
#define WM_INITDIALOG 0x0110
#endif
#ifndef WM_COMMAND
#define WM_COMMAND 0x0111 // wParam: control id | notification << 16
#endif
#ifndef WM_TIMER
#define WM_TIMER 0x0113 // wParam: timer id
#endif
#ifndef WM_VSCROLL
#define WM_VSCROLL 0x0115 // wParam: scroll code | position << 16; lParam: the trackbar
#endif
#ifndef WM_CTLCOLORSTATIC
#define WM_CTLCOLORSTATIC 0x0138 // wParam: DrawContext; lParam: the static control
#endif
#ifndef WM_USER
#define WM_USER 0x0400 // first message number free for the program
#endif

// Notification codes carried in the high word of a WM_COMMAND's wParam.
#ifndef BN_CLICKED
#define BN_CLICKED 0 // push button or check box clicked
#endif
#ifndef STN_CLICKED
#define STN_CLICKED 0 // notifying static text clicked
#endif
#ifndef STN_DBLCLK
#define STN_DBLCLK 1 // notifying static text double-clicked
#endif
#ifndef CBN_SELCHANGE
#define CBN_SELCHANGE 1 // drop-down list selection changed
#endif
#ifndef EN_CHANGE
#define EN_CHANGE 0x0300 // edit text changed
#endif

// Trackbar scroll codes, the low word of WM_VSCROLL's wParam.
#ifndef TB_LINEUP
#define TB_LINEUP 0
#define TB_LINEDOWN 1
#define TB_PAGEUP 2
#define TB_PAGEDOWN 3
#define TB_THUMBPOSITION 4
#define TB_THUMBTRACK 5
#define TB_TOP 6
#define TB_BOTTOM 7
#define TB_ENDTRACK 8
#endif

// Message box flags and answers.
#ifndef MB_OK
#define MB_OK 0x00000000u
#endif
#ifndef MB_ICONERROR
#define MB_ICONERROR 0x00000010u
#endif
#ifndef MB_ICONINFORMATION
#define MB_ICONINFORMATION 0x00000040u
#endif
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif

// Returns the low 16 bits of a message parameter.
inline unsigned lowWord(uintptr_t value) { return (unsigned)(value & 0xFFFFu); }
// Returns a WM_COMMAND wParam for a control id and a notification code.
inline WParam commandParam(unsigned id, unsigned notification) {
    return (WParam)((id & 0xFFFFu) | ((notification & 0xFFFFu) << 16));
}

// --- Dialogs --------------------------------------------------------------

// Builds dialog templateId (res/layout) owned by owner (null for none), sends
// it WM_INITDIALOG through proc and runs its modal loop until endDialog.
// Returns the result given to endDialog.  Messages posted to the dialog, its
// timers and commands all reach proc on the calling thread.
intptr_t runDialog(int templateId, Window owner, WindowProc proc);
// Ends the modal loop of dialog with result; the dialog is destroyed once its
// current message is handled.
void endDialog(Window dialog, intptr_t result);
// Returns the control controlId of dialog, or null.
Window controlOf(Window dialog, int controlId);
// Returns the identifier of a control window, or 0.
int controlIdOf(Window control);

// --- Texts ----------------------------------------------------------------

// Copies the text of control controlId into buffer: at most size - 1 bytes
// (UTF-8, cut at the bound) and a terminating NUL.  A drop-down list gives
// the text of its selected item (empty with none).  Returns the bytes copied.
unsigned getControlText(Window dialog, int controlId, char *buffer, int size);
// Sets the text of control controlId.
void setControlText(Window dialog, int controlId, const char *text);
// Sets the title of a window.
void setWindowText(Window window, const char *text);

// --- Check boxes, lists, trackbars, enabling --------------------------------

// Returns 1 when check box controlId is ticked, else 0.
int isChecked(Window dialog, int controlId);
// Ticks (1) or clears (0) check box controlId.
void checkButton(Window dialog, int controlId, int checked);
// Inserts text at index (-1: at the end) of list controlId; returns the index
// it took, or -1.
int listInsert(Window dialog, int controlId, int index, const char *text);
// Selects item index of list controlId (-1 clears the selection).
void listSelect(Window dialog, int controlId, int index);
// Sets a trackbar's range; redraws when redraw is 1.
void trackbarSetRange(Window trackbar, int redraw, int minimum, int maximum);
// Sets a trackbar's position; redraws when redraw is 1.
void trackbarSetPosition(Window trackbar, int redraw, int position);
// Returns a trackbar's position.
int trackbarPosition(Window trackbar);
// Enables (1) or disables (0) control controlId.
void enableControl(Window dialog, int controlId, int enable);
// Gives control controlId the keyboard focus.
void setControlFocus(Window dialog, int controlId);
// Selects the bytes first to last - 1 of edit controlId's UTF-8 text (first
// equal to last: the caret goes there); the backend counts them in its own
// characters.  Offsets beyond the text stop at its end.
void selectControlText(Window dialog, int controlId, unsigned first, unsigned last);

// --- Images, icons, painting, cursors --------------------------------------

// Shows bitmap resource bitmapId on push button controlId.
void setButtonImage(Window dialog, int controlId, int bitmapId);
// Installs icon resource iconId as the dialog's window icon.
void setDialogIcon(Window dialog, int iconId);
// Repaints control controlId without erasing its background.
void redrawControl(Window dialog, int controlId);
// Sets the text colour (0x00BBGGRR) a colour query paints with.
void setTextColour(DrawContext context, uint32_t colour);
// Makes a colour query paint text without a background.
void setTransparentBackground(DrawContext context);
// Returns the pointing-hand cursor of the desktop, or null when it has none.
Cursor loadHandCursor();
// Returns the desktop's standard arrow cursor.
Cursor loadArrowCursor();
// Shows cursor while the pointer stays where the WM_SETCURSOR came from.
void setCursor(Cursor cursor);
// Stores the result a dialog procedure gives for the message being handled
// (for WM_SETCURSOR).
void setDialogResult(Window dialog, intptr_t result);

// --- Timers and messages ----------------------------------------------------

// Starts timer timerId of window with period ms; a running timer of the same
// id is replaced.  Each expiry delivers WM_TIMER (wParam timerId).
void startTimer(Window window, unsigned timerId, unsigned periodMs);
// Stops timer timerId of window; nothing happens if it is not running.
void stopTimer(Window window, unsigned timerId);
// Shows a modal message box with text, caption and flags (MB_OK with
// MB_ICONERROR, or MB_OK alone).  Timers and posted messages keep being
// delivered while it is open.  Returns the button pressed (IDOK).
int messageBox(Window owner, const char *text, const char *caption, unsigned flags);
// Queues message for window; safe from any thread.  Returns 1, or 0 when the
// window is null or gone.
int postMessage(Window window, unsigned message, WParam wParam, LParam lParam);
// Asks the loop running the process to end with exitCode once the current
// dialogs are gone.
void postQuitMessage(int exitCode);

// --- Message-only windows (programs without a dialog) -------------------------

// Creates an invisible window whose messages (posted ones and timers) go to
// proc.  Returns it, or null.
Window createMessageWindow(WindowProc proc);
// Destroys a window made by createMessageWindow; later posts to it fail.
void destroyMessageWindow(Window window);
// Runs the message loop of the calling thread until postQuitMessage; returns
// the exit code given there.
int runMessageLoop();
