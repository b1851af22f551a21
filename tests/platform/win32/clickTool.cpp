// tonalix-click: drives the running tonalix.exe from outside, as a user's
// clicks would, for the tests that run the real program under Wine:
//
//   tonalix-click wait MS          waits until the main window is open
//   tonalix-click click ID         presses button ID of the main window
//   tonalix-click press ID         presses it without waiting for the window
//                                  to handle the click
//   tonalix-click text ID          prints the text of control ID (UTF-8)
//   tonalix-click formula TEXT     puts TEXT (UTF-8) into the formula box
//   tonalix-click selection ID     prints whether control ID has the keyboard
//                                  focus (1 or 0), then the first and the end
//                                  character of its selection (UTF-16 units)
//   tonalix-click message-box MS   waits for a message box, prints its text
//                                  and presses OK
//   tonalix-click box MS           waits for a message box and prints its text
//   tonalix-click look 0           prints how the window looks: the status
//                                  line, whether the formula box, a frequency
//                                  box and the lists are enabled (1) or not
//                                  (0), and the Play button's image
//   tonalix-click stop MS          presses Stop and waits for the stopped
//                                  look; prints the milliseconds it took
//   tonalix-click watch MS         watches the window thread for MS ms (see
//                                  probeHook.h) and prints the longest gap
//                                  between its timer's ticks and the longest
//                                  wait of a message posted to it
//   tonalix-click screenshot FILE  saves the main window, and a message box
//                                  over it, as a BMP file
//
// Exit status 0 on success, 1 when the window or the control is not found
// (or the stopped look or the watch's heartbeat never comes), 2 for bad
// usage.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/win32Text.h"
#include "res/resource.h"
#include "tests/platform/win32/probeHook.h"
#include "tests/platform/win32/screenPicture.h"

namespace {

const wchar_t dialogClass[] = L"#32770";
const wchar_t mainTitle[] = L" Tonalix";
const wchar_t boxTitle[] = L"Tonalix";
const int messageTextId = 0xFFFF; // the text of a message box
const UINT answerWaitMs = 2000;   // the longest a sent query waits for the window thread
const char stoppedText[] = "現在停止中";
// The controls Play disables and Stop enables again, in the order look prints them.
const int lockedControls[] = {IDC_FORMULA, IDC_SINE_FREQUENCY, IDC_SINE_AMPLITUDE, IDC_VOLUME_LIST};

// Returns the dialog titled title, waiting up to ms for it.
HWND findWindow(const wchar_t *title, DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    for (;;) {
        if (HWND found = FindWindowW(dialogClass, title)) return found;
        if ((LONG)(end - GetTickCount()) <= 0) return nullptr;
        Sleep(50);
    }
}

// Returns the text of window as UTF-8; empty when its thread does not answer.
std::string textOf(HWND window) {
    wchar_t text[1024] = L"";
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 1024, (LPARAM)text, SMTO_NORMAL, answerWaitMs, &copied)) return "";
    return toUtf8(text);
}

// Prints text on a line of its own.
void printLine(const std::string &text) {
    fwrite(text.data(), 1, text.size(), stdout);
    fputc('\n', stdout);
}

// Returns the image the Play button of main shows (a handle), or 0.
DWORD_PTR playImage(HWND main) {
    DWORD_PTR image = 0;
    SendMessageTimeoutW(GetDlgItem(main, IDC_PLAY), BM_GETIMAGE, IMAGE_BITMAP, 0, SMTO_NORMAL, answerWaitMs, &image);
    return image;
}

// Returns the look of main as look prints it.
std::string lookOf(HWND main) {
    std::string look = textOf(GetDlgItem(main, IDC_STATUS)) + " ";
    for (int id : lockedControls)
        look += IsWindowEnabled(GetDlgItem(main, id)) ? '1' : '0';
    char image[32];
    snprintf(image, sizeof image, " %#llx", (unsigned long long)playImage(main));
    return look + image;
}

// Returns 1 when main looks stopped and its Play button shows another image
// than playingImage, the Stop image it showed while playing.
int looksStopped(HWND main, DWORD_PTR playingImage) {
    if (textOf(GetDlgItem(main, IDC_STATUS)) != stoppedText) return 0;
    for (int id : lockedControls)
        if (!IsWindowEnabled(GetDlgItem(main, id))) return 0;
    const DWORD_PTR image = playImage(main);
    return image && image != playingImage;
}

// Handles the messages of this thread for up to ms.
void pumpFor(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&message);
}

int waitCommand(const char *argument) { return findWindow(mainTitle, (DWORD)atoi(argument)) ? 0 : 1; }

int boxCommand(const char *argument) {
    HWND box = findWindow(boxTitle, (DWORD)atoi(argument));
    if (!box) return 1;
    printLine(textOf(GetDlgItem(box, messageTextId)));
    return 0;
}

int messageBoxCommand(const char *argument) {
    if (boxCommand(argument) != 0) return 1;
    PostMessageW(findWindow(boxTitle, 0), WM_COMMAND, IDOK, 0);
    return 0;
}

// Returns the main window's control whose id is argument, or null.
HWND mainControl(const char *argument) {
    HWND main = findWindow(mainTitle, 0);
    return main ? GetDlgItem(main, atoi(argument)) : nullptr;
}

int clickCommand(const char *argument) {
    HWND control = mainControl(argument);
    if (!control) return 1;
    SendMessageW(control, BM_CLICK, 0, 0);
    return 0;
}

int pressCommand(const char *argument) {
    HWND control = mainControl(argument);
    if (!control) return 1;
    PostMessageW(control, BM_CLICK, 0, 0);
    return 0;
}

int textCommand(const char *argument) {
    HWND control = mainControl(argument);
    if (!control) return 1;
    printLine(textOf(control));
    return 0;
}

int formulaCommand(const char *argument) {
    HWND control = mainControl("11");
    WideText text;
    toWide(argument, &text);
    DWORD_PTR done = 0;
    return control &&
                   SendMessageTimeoutW(control, WM_SETTEXT, 0, (LPARAM)text.c_str(), SMTO_NORMAL, answerWaitMs, &done)
               ? 0
               : 1;
}

int selectionCommand(const char *argument) {
    HWND control = mainControl(argument);
    if (!control) return 1;
    DWORD_PTR range = 0;
    if (!SendMessageTimeoutW(control, EM_GETSEL, 0, 0, SMTO_NORMAL, answerWaitMs, &range)) return 1;
    // The focus belongs to the window's thread; its GUI state tells it.
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(control, nullptr), &thread);
    char line[64];
    snprintf(line, sizeof line, "%d %u %u", thread.hwndFocus == control ? 1 : 0, (unsigned)LOWORD(range),
             (unsigned)HIWORD(range));
    printLine(line);
    return 0;
}

int lookCommand(const char *) {
    HWND main = findWindow(mainTitle, 0);
    if (!main) return 1;
    printLine(lookOf(main));
    return 0;
}

// The click is sent with a bound, so a window that hangs in it is measured
// rather than waited for.
int stopCommand(const char *argument) {
    const LONG64 limit = atoi(argument);
    HWND main = findWindow(mainTitle, 0);
    if (!main) return 1;
    const DWORD_PTR playingImage = playImage(main);
    const LONG64 start = probeNow();
    DWORD_PTR answer;
    SendMessageTimeoutW(GetDlgItem(main, IDC_PLAY), BM_CLICK, 0, 0, SMTO_NORMAL, (UINT)limit, &answer);
    while (!looksStopped(main, playingImage)) {
        if (probeNow() - start > limit) {
            printLine("not stopped: " + lookOf(main));
            return 1;
        }
        Sleep(5);
    }
    printf("%lld\n", (long long)(probeNow() - start));
    return 0;
}

// Returns the full name of the probe DLL beside this program.
std::wstring probeLibrary() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path, length);
    return name.substr(0, name.find_last_of(L"\\/") + 1) + L"tonalix-probe.dll";
}

// Hooks the window thread's queue with the probe, which starts the
// heartbeat, then posts a probe message every 20 ms for ms milliseconds.
// A tick or a probe still missing at the end counts up to the end.
int watchCommand(const char *argument) {
    const LONG64 duration = atoi(argument);
    HWND main = findWindow(mainTitle, 0);
    HMODULE library = LoadLibraryW(probeLibrary().c_str());
    HOOKPROC hookProc = library ? (HOOKPROC)(void (*)())GetProcAddress(library, probeHookName) : nullptr;
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ProbeRecord), probeRecordName);
    ProbeRecord *record =
        mapping ? (ProbeRecord *)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ProbeRecord)) : nullptr;
    if (!main || !hookProc || !record) return 1;
    record->ticks = 0;
    HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, hookProc, library, GetWindowThreadProcessId(main, nullptr));
    if (!hook) return 1;
    PostMessageW(main, WM_NULL, 0, 0); // the hook is loaded with the next message
    for (int i = 0; i < 300 && record->ticks == 0; i++)
        pumpFor(10);
    if (record->ticks == 0) {
        printLine("the heartbeat did not start");
        UnhookWindowsHookEx(hook);
        return 1;
    }
    const UINT probeMessage = RegisterWindowMessageW(probeMessageName);
    record->longestTickGap = 0;
    record->longestProbeWait = 0;
    record->since = probeNow();
    std::vector<LONG64> posted;
    while (probeNow() - record->since < duration) {
        posted.push_back(probeNow());
        PostMessageW(main, probeMessage, (WPARAM)posted.back(), 0);
        pumpFor(probeTimerMs);
    }
    for (int i = 0; i < 100 && record->lastProbeSeen != posted.back(); i++)
        pumpFor(10);
    const LONG64 end = probeNow();
    LONG64 tickGap = record->longestTickGap, probeWait = record->longestProbeWait;
    if (end - record->lastTick > tickGap) tickGap = end - record->lastTick;
    for (LONG64 at : posted)
        if (at > record->lastProbeSeen && end - at > probeWait) probeWait = end - at;
    UnhookWindowsHookEx(hook);
    printf("timer %lld ms, posted %lld ms\n", (long long)tickGap, (long long)probeWait);
    return 0;
}

// The picture covers the main window and a message box that may be open.
int screenshotCommand(const char *argument) {
    HWND main = findWindow(mainTitle, 0);
    if (!main) return 1;
    RECT area, box;
    GetWindowRect(main, &area);
    if (HWND open = findWindow(boxTitle, 0)) {
        GetWindowRect(open, &box);
        UnionRect(&area, &area, &box);
    }
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    Sleep(300);
    return saveScreenArea(area, argument) ? 0 : 1;
}

// One row per command.
const struct {
    const char *name;
    int (*run)(const char *argument);
} commands[] = {
    {"wait", waitCommand},       {"message-box", messageBoxCommand},
    {"box", boxCommand},         {"click", clickCommand},
    {"press", pressCommand},     {"text", textCommand},
    {"look", lookCommand},       {"stop", stopCommand},
    {"watch", watchCommand},     {"screenshot", screenshotCommand},
    {"formula", formulaCommand}, {"selection", selectionCommand},
};

} // namespace

int main(int argc, char **argv) {
    if (argc == 3)
        for (const auto &command : commands)
            if (std::string(argv[1]) == command.name) {
                const int status = command.run(argv[2]);
                fflush(stdout);
                return status;
            }
    fprintf(stderr, "usage: tonalix-click wait MS | click ID | press ID | text ID | formula TEXT | selection ID |"
                    " message-box MS | box MS | look 0 | stop MS | watch MS | screenshot FILE\n");
    return 2;
}
