// Inside the Qt window layer: the record every window has, and what
// qtMessages.cpp gives the other two files of the layer (qtDialogBuilder.cpp
// and qtWindow.cpp): handing messages to procedures, the set of live windows
// that take posted messages, and their end.  Not for use outside
// platform/linux/qt*.cpp.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/window.h"

class QEvent;
class QMenuBar;
class QObject;
class QTimer;
class QWidget;
struct ControlTemplate;

// A dialog, one of its controls, or a message-only window.
struct WindowRecord {
    QWidget *widget = nullptr;            // dialog or control widget; null for a message window
    QObject *receiver = nullptr;          // where posted messages and timers of a dialog or message window go
    WindowRecord *dialog = nullptr;       // the dialog of a control
    const ControlTemplate *row = nullptr; // the control's row
    int id = 0;
    WindowProc proc = nullptr;
    QMenuBar *menuBar = nullptr;
    QWidget *client = nullptr; // the client area under the menu bar
    int baseX = 8, baseY = 16; // dialog base units in pixels (see qtDialogBaseUnits)
    std::vector<std::unique_ptr<WindowRecord>> controls;
    std::map<unsigned, QTimer *> timers;
    int image = 0; // bitmap on a button
    int ended = 0;
    int running = 0; // 1 while the dialog's modal loop runs
    intptr_t result = 0;
    intptr_t storedResult = 0;
};

namespace qtWindowParts {

// Hands a message to the procedure of window's dialog (or of window itself)
// and returns the procedure's answer, 0 when there is no procedure.
intptr_t deliver(WindowRecord *window, unsigned message, WParam wParam, LParam lParam);

// Sends control's dialog the WM_COMMAND that reports notification from
// control.
void notify(WindowRecord *control, unsigned notification);

// Hands event to the procedure of window (a dialog or message window) when
// it carries a posted message; returns whether it did.
bool handlePosted(WindowRecord *window, QEvent *event);

// Makes the application hand the posted messages waiting on the window
// thread over before each input of the user (see qtMessages.cpp); the first
// call installs the filter that does it, later ones change nothing.
void keepInputAfterPosted();

// Adds a dialog or message window to the windows that take posted messages.
void addLiveWindow(WindowRecord *window);

// Destroys a dialog or message window: no more posted messages reach it,
// its timers stop, its widgets go.
void destroyRecord(WindowRecord *window);

} // namespace qtWindowParts
