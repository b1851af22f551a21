// Desktop services of the utility commands and the data-file chooser: opening
// a document or address with the desktop's opener, starting a program, and
// the desktop's open-file dialog.
//
// The core never starts processes or shows a file chooser by itself; it
// calls these, which mirror the desktop calls closely enough that a Windows
// backend maps each to one call (ShellExecuteA, CreateProcessA with
// WaitForInputIdle, GetOpenFileNameA).  Backends: platform/linux
// (desktopOpener.cpp, programStarter.cpp, qtFileDialog.cpp) and the
// recording fake in tests/fakes (fakeDesktop.cpp).
#pragma once

#include "app/window.h"

// Show states a document may be opened with (the desktop's values).
#ifndef SW_SHOWNORMAL
#define SW_SHOWNORMAL 1
#endif
#ifndef SW_SHOWMAXIMIZED
#define SW_SHOWMAXIMIZED 3
#endif

// Flag of OpenFileRequest: only an existing file may be chosen.
#ifndef OFN_FILEMUSTEXIST
#define OFN_FILEMUSTEXIST 0x00001000u
#endif

// Asks the desktop to open target, an address with a scheme ("file:",
// "https:") or a path relative to the current folder, in the program it
// chooses, owned by owner (may be null) and shown in showState.  Returns 1
// when the request was handed on, 0 when it was not (a missing local file is
// not handed on).  Shows nothing either way.
int openDocument(Window owner, const char *target, int showState);

// Starts the program argv[0] (looked up on the search path) with arguments
// argv[1..] ending with null, as a process of its own: no shell, no inherited
// handles, the caller's environment and current folder.  Waits at most
// waitMs for the start to be known.  Returns 1 when the program was started,
// 0 when it could not be.  Shows nothing.
int startProgram(const char *const *argv, unsigned waitMs);

// A request for the open-file dialog, after the desktop's request record.
struct OpenFileRequest {
    Window owner;                       // the window the dialog is modal to
    const char *filter;                 // pairs of NUL-ended texts (caption, pattern), ended by a further NUL
    unsigned filterIndex;               // 1-based: the pair selected at start
    char *file;                         // receives the chosen path (UTF-8), NUL-ended
    unsigned fileSize;                  // bytes of file
    const char *initialDirectory;       // the folder shown at start
    const char *title;                  // the dialog's caption
    unsigned flags;                     // OFN_FILEMUSTEXIST
};

// Runs the open-file dialog for request.  Returns 1 and fills request->file
// when the user chose a file (whose path fits), else 0.
int runOpenFileDialog(const OpenFileRequest *request);
