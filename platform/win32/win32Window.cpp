// The window layer on Win32: each call is the dialog call it is named after.
//
// A Window is the window's HWND and a DrawContext the HDC of a colour query;
// the dialogs are the DIALOGEX templates that tonalix-make-rc wrote from
// res/layout.cpp into the program's resources, and the dialog manager
// delivers every message to the core's procedure through dialogThunk.  Texts
// cross here: UTF-8 in the core, UTF-16 in the wide-character calls, so they
// show the same whatever the system's code page.
#include "platform/window.h"

#include <windows.h>

#include <commctrl.h>

#include "platform/boundedText.h"
#include "platform/win32/win32Text.h"
#include "platform/win32/win32Window.h"
#include "res/layout.h"

namespace {

const wchar_t messageWindowClass[] = L"TonalixMessageWindow";
const int helpCursorId = 106;         // the pointing hand of the system's help program
const UINT windowsDirectoryMax = 248; // room for the Windows folder, terminator included

HWND hwndOf(Window window) { return (HWND)window; }
Window windowOf(HWND hwnd) { return (Window)hwnd; }

// Returns the program's own module, which holds the resources.
HINSTANCE programModule() { return GetModuleHandleW(nullptr); }

// Returns the text of window as UTF-8.
std::string windowText(HWND hwnd) {
    if (!hwnd) return std::string();
    const int length = GetWindowTextLengthW(hwnd);
    WideText text((size_t)length + 1, L'\0');
    const int got = GetWindowTextW(hwnd, text.data(), length + 1);
    return toUtf8(text.c_str(), got);
}

// The pictures follow the DPI of the monitor their window is on: a button
// keeps the number of its bitmap, a dialog that of its window icon, in a
// window property, so that both are loaded again for another monitor.
const wchar_t bitmapProperty[] = L"TonalixBitmap";
const wchar_t windowIconProperty[] = L"TonalixWindowIcon";
const wchar_t ownIconProperty[] = L"TonalixOwnIcon"; // the icon control shows an icon loaded here
const int iconPixels = 32;                           // an icon at 100%
const int smallIconPixels = 16;                      // a window's small icon at 100%
const int highestTemplateId = 999;                   // dialog templates are looked for up to this one

// Returns the dots per inch of the monitor hwnd is on (Windows 10 and
// later), else those of the system.
int dpiOf(HWND hwnd) {
    typedef UINT(WINAPI * DpiForWindow)(HWND);
    static const DpiForWindow dpiForWindow =
        (DpiForWindow)(void *)GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow");
    if (dpiForWindow && hwnd)
        if (const UINT dpi = dpiForWindow(hwnd)) return (int)dpi;
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

// Returns icon id loaded at pixels (percent of 100%, the nearest size its
// file holds), owned by the caller, or null.
HICON loadIcon(int iconId, int pixels, int percent) {
    const int size = pixels * percent / 100;
    return (HICON)LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(iconId), IMAGE_ICON, size, size,
                             LR_DEFAULTCOLOR);
}

// Shows bitmap bitmapId, drawn for the button's DPI, on button.  The button
// does not take over the bitmap it is given, so the one it showed before is
// deleted once it is replaced.
void showBitmap(HWND button, int bitmapId) {
    const ImageScaleRow &scale = nearestImageScale(dpiOf(button));
    HINSTANCE module = GetModuleHandleW(nullptr);
    HANDLE image = LoadImageW(module, MAKEINTRESOURCEW(bitmapId + scale.idOffset), IMAGE_BITMAP, 0, 0, 0);
    if (!image) image = LoadImageW(module, MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, 0);
    if (!image) return;
    SetPropW(button, bitmapProperty, (HANDLE)(intptr_t)bitmapId);
    HANDLE previous = (HANDLE)SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, (LPARAM)image);
    if (previous && previous != image) DeleteObject(previous);
}

// Returns the icon resource that icon control controlId shows in the
// dialog templates, or 0.
int iconOfControl(int controlId) {
    for (int id = 1; id <= highestTemplateId; id++)
        if (const DialogTemplate *dialog = findDialogTemplate(id))
            if (const ControlTemplate *row = findControlTemplate(dialog, controlId))
                if (row->kind == ControlIcon) return row->image;
    return 0;
}

// Loads the window icons and the pictures of the dialog's icon controls and
// bitmap buttons again for the DPI of its monitor.  Returns TRUE (goes on
// enumerating).
BOOL CALLBACK reloadControlImage(HWND control, LPARAM) {
    if (const int bitmapId = (int)(intptr_t)GetPropW(control, bitmapProperty)) {
        showBitmap(control, bitmapId);
        return TRUE;
    }
    const int iconId = iconOfControl(GetDlgCtrlID(control));
    if (!iconId || (GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) return TRUE;
    HICON icon = loadIcon(iconId, iconPixels, nearestImageScale(dpiOf(control)).percent);
    if (!icon) return TRUE;
    HICON previous = (HICON)SendMessageW(control, STM_SETICON, (WPARAM)icon, 0);
    if (previous && GetPropW(control, ownIconProperty)) DestroyIcon(previous); // the dialog's own are shared
    SetPropW(control, ownIconProperty, (HANDLE)1);
    return TRUE;
}

// Shows window icon iconId on dialog, drawn for its DPI, large and small.
void showWindowIcon(HWND dialog, int iconId) {
    const int percent = nearestImageScale(dpiOf(dialog)).percent;
    SetPropW(dialog, windowIconProperty, (HANDLE)(intptr_t)iconId);
    const struct {
        WPARAM which;
        int pixels;
    } sizes[] = {{ICON_BIG, iconPixels}, {ICON_SMALL, smallIconPixels}};
    for (const auto &size : sizes)
        if (HICON icon = loadIcon(iconId, size.pixels, percent))
            if (HICON previous = (HICON)SendMessageW(dialog, WM_SETICON, size.which, (LPARAM)icon))
                if (previous != icon) DestroyIcon(previous);
}

// Loads every picture of dialog again for the DPI of its monitor.
void reloadImages(HWND dialog) {
    if (const int iconId = (int)(intptr_t)GetPropW(dialog, windowIconProperty)) showWindowIcon(dialog, iconId);
    EnumChildWindows(dialog, reloadControlImage, 0);
}

// Turns the core's answer to a colour query into a brush: the core names the
// brush by the number the platform gives it (NULL_BRUSH, or COLOR_BTNFACE
// plus one), but the dialog manager needs the brush itself.
INT_PTR colourAnswer(intptr_t answer) {
    if (answer == NULL_BRUSH) return (INT_PTR)GetStockObject(NULL_BRUSH);
    if (answer == COLOR_BTNFACE + 1) return (INT_PTR)GetSysColorBrush(COLOR_BTNFACE);
    return (INT_PTR)answer;
}

// The dialog procedure of every dialog: hands each message to the core's
// procedure, which WM_INITDIALOG brings as its lParam and the dialog keeps in
// its user word.  Returns the core's answer.
INT_PTR CALLBACK dialogThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, (LONG_PTR)lParam);
    if (message == WM_DPICHANGED) { // moved to a monitor of another DPI: its place, then its pictures
        const RECT *suggested = (const RECT *)lParam;
        SetWindowPos(hwnd, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        reloadImages(hwnd);
        return TRUE;
    }
    WindowProc proc = (WindowProc)GetWindowLongPtrW(hwnd, DWLP_USER);
    if (!proc) return FALSE; // messages before WM_INITDIALOG
    const intptr_t answer = proc(windowOf(hwnd), message, wParam, lParam);
    if (message == WM_INITDIALOG) EnumChildWindows(hwnd, reloadControlImage, 0); // the icons at the window's DPI
    if (message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC) return colourAnswer(answer);
    return (INT_PTR)answer;
}

// The window procedure of message-only windows: the core's procedure, kept in
// the window's user data.
LRESULT CALLBACK messageThunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowProc proc = (WindowProc)GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    if (proc) proc(windowOf(hwnd), message, wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Registers the trackbar's class (and the other common controls) once.
void initialiseControls() {
    static int done = 0;
    if (done) return;
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);
    done = 1;
}

} // namespace

// --- Backend setup and test access ---------------------------------------------

Window win32OpenDialog(int templateId, Window owner, WindowProc proc) {
    initialiseControls();
    return windowOf(
        CreateDialogParamW(programModule(), MAKEINTRESOURCEW(templateId), hwndOf(owner), dialogThunk, (LPARAM)proc));
}

// --- The window layer ---------------------------------------------------------

intptr_t runDialog(int templateId, Window owner, WindowProc proc) {
    initialiseControls();
    return DialogBoxParamW(programModule(), MAKEINTRESOURCEW(templateId), hwndOf(owner), dialogThunk, (LPARAM)proc);
}

void endDialog(Window dialog, intptr_t result) { EndDialog(hwndOf(dialog), result); }

Window controlOf(Window dialog, int controlId) { return windowOf(GetDlgItem(hwndOf(dialog), controlId)); }

// A top-level window keeps its menu where a control keeps its identifier, so
// only a child window has one.
int controlIdOf(Window control) {
    HWND hwnd = hwndOf(control);
    if (!hwnd || !(GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD)) return 0;
    return GetDlgCtrlID(hwnd);
}

unsigned getControlText(Window dialog, int controlId, char *buffer, int size) {
    // a drop-down list's window text is its selected item
    const std::string text = windowText(GetDlgItem(hwndOf(dialog), controlId));
    return copyBoundedText(buffer, size, text.data(), text.size());
}

void setControlText(Window dialog, int controlId, const char *text) {
    WideText wide;
    toWide(text, &wide);
    SetDlgItemTextW(hwndOf(dialog), controlId, wide.c_str());
}

void setWindowText(Window window, const char *text) {
    WideText wide;
    toWide(text, &wide);
    SetWindowTextW(hwndOf(window), wide.c_str());
}

int isChecked(Window dialog, int controlId) {
    return IsDlgButtonChecked(hwndOf(dialog), controlId) == BST_CHECKED ? 1 : 0;
}

void checkButton(Window dialog, int controlId, int checked) {
    CheckDlgButton(hwndOf(dialog), controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

int listInsert(Window dialog, int controlId, int index, const char *text) {
    WideText wide;
    toWide(text, &wide);
    const LRESULT at =
        SendDlgItemMessageW(hwndOf(dialog), controlId, CB_INSERTSTRING, (WPARAM)index, (LPARAM)wide.c_str());
    return at < 0 ? -1 : (int)at; // CB_ERR and CB_ERRSPACE
}

void listSelect(Window dialog, int controlId, int index) {
    SendDlgItemMessageW(hwndOf(dialog), controlId, CB_SETCURSEL, (WPARAM)index, 0);
}

void trackbarSetRange(Window trackbar, int redraw, int minimum, int maximum) {
    SendMessageW(hwndOf(trackbar), TBM_SETRANGE, (WPARAM)(redraw != 0), MAKELPARAM(minimum, maximum));
}

void trackbarSetPosition(Window trackbar, int redraw, int position) {
    SendMessageW(hwndOf(trackbar), TBM_SETPOS, (WPARAM)(redraw != 0), (LPARAM)position);
}

int trackbarPosition(Window trackbar) { return trackbar ? (int)SendMessageW(hwndOf(trackbar), TBM_GETPOS, 0, 0) : 0; }

void enableControl(Window dialog, int controlId, int enable) {
    EnableWindow(GetDlgItem(hwndOf(dialog), controlId), enable != 0);
}

void setControlFocus(Window dialog, int controlId) { SetFocus(GetDlgItem(hwndOf(dialog), controlId)); }

// EM_SETSEL counts UTF-16 units: the bytes before each end, widened.
void selectControlText(Window dialog, int controlId, unsigned first, unsigned last) {
    const std::string text = windowText(GetDlgItem(hwndOf(dialog), controlId));
    WideText before, through;
    toWide(text.substr(0, first).c_str(), &before);
    toWide(text.substr(0, last).c_str(), &through);
    SendDlgItemMessageW(hwndOf(dialog), controlId, EM_SETSEL, before.size(), (LPARAM)through.size());
}

void setButtonImage(Window dialog, int controlId, int bitmapId) {
    if (HWND button = GetDlgItem(hwndOf(dialog), controlId)) showBitmap(button, bitmapId);
}

// The class keeps the icon for windows that do not have their own; the
// dialog has its own, drawn for its DPI.
void setDialogIcon(Window dialog, int iconId) {
    HICON icon = LoadIconW(programModule(), MAKEINTRESOURCEW(iconId));
    if (icon) SetClassLongPtrW(hwndOf(dialog), GCLP_HICON, (LONG_PTR)icon);
    showWindowIcon(hwndOf(dialog), iconId);
}

void redrawControl(Window dialog, int controlId) {
    InvalidateRect(GetDlgItem(hwndOf(dialog), controlId), nullptr, FALSE);
}

void setTextColour(DrawContext context, uint32_t colour) { SetTextColor((HDC)context, (COLORREF)colour); }

void setTransparentBackground(DrawContext context) { SetBkMode((HDC)context, TRANSPARENT); }

// The hand is the help program's cursor 106, as it was before the system
// had a hand of its own; a help program without it gives the system hand.
// Without the help program there is no hand, and the caller shows the arrow.
// The copy is made once: a copy per mouse move would never be released.
Cursor loadHandCursor() {
    static HCURSOR hand = nullptr;
    static int looked = 0;
    if (looked) return (Cursor)hand;
    looked = 1;
    wchar_t path[MAX_PATH];
    const UINT length = GetWindowsDirectoryW(path, windowsDirectoryMax);
    if (length == 0 || length >= windowsDirectoryMax) return nullptr;
    lstrcatW(path, L"\\winhlp32.exe");
    HMODULE help = LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!help) return nullptr;
    HCURSOR found = LoadCursorW(help, MAKEINTRESOURCEW(helpCursorId));
    hand = found ? (HCURSOR)CopyImage(found, IMAGE_CURSOR, 0, 0, 0) : nullptr;
    FreeLibrary(help);
    if (!hand) hand = LoadCursorW(nullptr, IDC_HAND);
    return (Cursor)hand;
}

Cursor loadArrowCursor() { return (Cursor)LoadCursorW(nullptr, IDC_ARROW); }

void setCursor(Cursor cursor) { SetCursor((HCURSOR)cursor); }

void setDialogResult(Window dialog, intptr_t result) { SetWindowLongPtrW(hwndOf(dialog), DWLP_MSGRESULT, result); }

void startTimer(Window window, unsigned timerId, unsigned periodMs) {
    SetTimer(hwndOf(window), timerId, periodMs ? periodMs : 1, nullptr);
}

void stopTimer(Window window, unsigned timerId) { KillTimer(hwndOf(window), timerId); }

int messageBox(Window owner, const char *text, const char *caption, unsigned flags) {
    WideText wideText, wideCaption;
    toWide(text, &wideText);
    toWide(caption, &wideCaption);
    return MessageBoxW(hwndOf(owner), wideText.c_str(), wideCaption.c_str(), flags);
}

int postMessage(Window window, unsigned message, WParam wParam, LParam lParam) {
    return window && PostMessageW(hwndOf(window), message, wParam, lParam) ? 1 : 0;
}

void postQuitMessage(int exitCode) { PostQuitMessage(exitCode); }

Window createMessageWindow(WindowProc proc) {
    if (!proc) return nullptr;
    static ATOM registered = 0;
    if (!registered) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = messageThunk;
        windowClass.hInstance = programModule();
        windowClass.lpszClassName = messageWindowClass;
        registered = RegisterClassW(&windowClass);
        if (!registered) return nullptr;
    }
    HWND hwnd =
        CreateWindowExW(0, messageWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, programModule(), nullptr);
    if (hwnd) SetWindowLongPtrW(hwnd, GWLP_USERDATA, (LONG_PTR)proc);
    return windowOf(hwnd);
}

void destroyMessageWindow(Window window) {
    if (window) DestroyWindow(hwndOf(window));
}

int runMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return (int)message.wParam;
}
