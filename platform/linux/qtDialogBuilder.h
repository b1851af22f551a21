// Inside the Qt window layer: what qtDialogBuilder.cpp gives qtWindow.cpp,
// the building of dialogs from their templates, the images of the resource
// folders, and the records of colour and cursor queries the built controls
// make.  Not for use outside platform/linux/qt*.cpp.
#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>

#include "platform/linux/qtMessages.h"

// What a colour query (WM_CTLCOLORSTATIC) paints with.
struct DrawContextRecord {
    QColor textColour; // invalid until setTextColour
    bool transparent = false;
};

struct CursorRecord {
    Qt::CursorShape shape;
};

namespace qtWindowParts {

// The cursor setCursor chose during the WM_SETCURSOR a control sent; the
// control clears it before it asks.
extern Cursor requestedCursor;

// Returns a new dialog record built from template templateId, or null: the
// dialog's widget, not shown yet, with its menu bar and controls, and the
// dialog among the live windows.  Nothing is sent to proc yet.
WindowRecord *buildDialog(int templateId, WindowRecord *owner, WindowProc proc);

// Returns bitmap resource id, or a null pixmap when its file is missing.
QPixmap loadBitmap(int id);

// Returns icon resource id, or a null icon when its file is missing.
QIcon loadIcon(int id);

} // namespace qtWindowParts
