// The About box.
#include "ui/aboutBox.h"

#include "platform/system.h"
#include "res/resource.h"
#include "window/windowHelpers.h"

int linkVisited = 0;

namespace {

// Which string-table entry fills which control, in the order they are set.
const struct {
    int control;
    int entry;
} aboutTexts[] = {
    {IDC_ABOUT_NAME, IDS_APP_NAME},
    {IDC_ABOUT_VERSION, IDS_VERSION},
    {IDC_ABOUT_RIGHTS, IDS_RIGHTS},
    {IDC_ABOUT_LINK, IDS_LINK_CAPTION},
};

// The link was clicked (or double-clicked: each notification counts): it
// turns purple and its address opens in the desktop's program for it.  The
// box stays open.
void followLink(Window dialog) {
    linkVisited = 1;
    char address[resourceTextSize];
    loadResourceText(address, IDS_HOME_PAGE);
    openWithShell(dialog, "open", address, SW_SHOWNORMAL);
    redrawControl(dialog, IDC_ABOUT_LINK);
}

} // namespace

void showAboutBox(Window owner) { runDialog(IDD_ABOUT, owner, aboutDialogProc); }

void fillAboutTexts(Window dialog) {
    char text[resourceTextSize];
    for (const auto &row : aboutTexts) {
        loadResourceText(text, row.entry);
        setControlText(dialog, row.control, text);
    }
}

Cursor loadLinkCursor() {
    Cursor hand = loadHandCursor();
    return hand ? hand : loadArrowCursor();
}

intptr_t aboutDialogProc(Window dialog, unsigned message, WParam wParam, LParam lParam) {
    switch (message) {
    case WM_INITDIALOG:
        fillAboutTexts(dialog);
        return 1; // the platform chooses the focus
    case WM_SETCURSOR:
        // The cursor is looked up afresh every time the pointer moves.
        if (controlIdOf((Window)wParam) != IDC_ABOUT_LINK) return 0;
        setCursor(loadLinkCursor());
        setDialogResult(dialog, 1);
        return 1;
    case WM_CTLCOLORSTATIC:
        if (controlIdOf((Window)lParam) != IDC_ABOUT_LINK) return buttonFaceBrushAnswer;
        setTextColour((DrawContext)wParam, linkColours[linkVisited ? 1 : 0]);
        setTransparentBackground((DrawContext)wParam);
        return hollowBrushAnswer;
    case WM_COMMAND:
        if (lowWord(wParam) == IDC_ABOUT_LINK)
            followLink(dialog);
        else
            endDialog(dialog, lowWord(wParam)); // OK, Esc (IDCANCEL) and the close box
        return 1;
    default:
        return 0;
    }
}
