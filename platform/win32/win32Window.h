// The Win32 window backend: what the tests of the real dialogs need beyond
// platform/window.h.  A Window is an HWND there.
#pragma once

#include "platform/window.h"

// Creates dialog templateId owned by owner without a modal loop of its own
// (the caller pumps the messages), after WM_INITDIALOG.  Returns it, or null.
// DestroyWindow ends it.
Window win32OpenDialog(int templateId, Window owner, WindowProc proc);
