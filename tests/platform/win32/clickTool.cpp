// tonalix-click: drives the running tonalix.exe from outside, as a user's
// clicks would, for the tests that run the real program under Wine:
//
//   tonalix-click wait MS          waits until the main window is open
//   tonalix-click click ID         presses button ID of the main window
//   tonalix-click text ID          prints the text of control ID (UTF-8)
//   tonalix-click message-box MS   waits for a message box, prints its text
//                                  and presses OK
//
// Exit status 0 on success, 1 when the window or the control is not found.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/win32Text.h"

namespace {

const wchar_t dialogClass[] = L"#32770";
const int messageTextId = 0xFFFF; // the text of a message box

// Returns the main window, waiting up to ms for it.
HWND findWindow(const wchar_t *title, DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        if (HWND found = FindWindowW(dialogClass, title)) return found;
        if ((LONG)(end - GetTickCount()) <= 0) return nullptr;
        Sleep(50);
    }
}

// Prints the text of window as UTF-8 on a line of its own.
void printText(HWND window) {
    wchar_t text[1024] = L"";
    SendMessageW(window, WM_GETTEXT, 1024, (LPARAM)text);
    const std::string utf8 = toUtf8(text);
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    fputc('\n', stdout);
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: tonalix-click wait MS | click ID | text ID | message-box MS\n");
        return 2;
    }
    const std::string command = argv[1];
    const int number = atoi(argv[2]);
    if (command == "wait") return findWindow(L" Tonalix", (DWORD)number) ? 0 : 1;
    if (command == "message-box") {
        HWND box = findWindow(L"Tonalix", (DWORD)number);
        if (!box) return 1;
        printText(GetDlgItem(box, messageTextId));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return 0;
    }
    HWND main = findWindow(L" Tonalix", 0);
    HWND control = main ? GetDlgItem(main, number) : nullptr;
    if (!control) return 1;
    if (command == "click") {
        SendMessageW(control, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "text") {
        printText(control);
        return 0;
    }
    return 2;
}
