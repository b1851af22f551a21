// The desktop's open-file dialog, which the data-file chooser runs.
//
// The request mirrors the desktop's request record closely enough that a
// Windows backend maps it to one GetOpenFileName call.  Backends:
// platform/linux/qtFileDialog.cpp (Qt's file dialog),
// platform/win32/win32FileDialog.cpp and the recording fake
// tests/fakes/fakeFileDialog.cpp.
#pragma once

#include "platform/window.h"

// Flag of OpenFileRequest: only an existing file may be chosen.
#ifndef OFN_FILEMUSTEXIST
#define OFN_FILEMUSTEXIST 0x00001000u
#endif

// A request for the open-file dialog, after the desktop's request record.
struct OpenFileRequest {
    Window owner;                 // the window the dialog is modal to
    const char *filter;           // pairs of NUL-ended texts (caption, pattern), ended by a further NUL
    unsigned filterIndex;         // 1-based: the pair selected at start
    char *file;                   // receives the chosen path (UTF-8), NUL-ended
    unsigned fileSize;            // bytes of file
    const char *initialDirectory; // the folder shown at start
    const char *title;            // the dialog's caption
    unsigned flags;               // OFN_FILEMUSTEXIST
};

// Runs the open-file dialog for request.  Returns 1 and fills request->file
// when the user chose a file (whose path fits), else 0.
int runOpenFileDialog(const OpenFileRequest *request);
