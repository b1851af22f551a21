// The main window: the entry point, message routing, initialisation, the
// volume list and trackbar, and the stream's notices.
#include "app/mainDialog.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "app/dataFile.h"
#include "app/playback.h"
#include "audio/waveStream.h"
#include "res/resource.h"
#include "res/strings.h"
#include "ui/aboutBox.h"
#include "ui/menuUtilities.h"
#include "ui/waveformBuilder.h"
#include "window/windowHelpers.h"

Window volumeTrackbar;

namespace {

Module appModule; // the module that holds the resources

const char *const startFormula = "sin(440*6.2831853071795865*t)";

// Exit, from the button or the menu: the stream is reset and the dialog ends
// with the whole wParam; the stop sequence does not run.
void exitCommand(Window window, WParam wParam) {
    stopStream();
    endDialog(window, (intptr_t)wParam);
}
void playCommand(Window window, WParam) { togglePlayback(window); }
void volumeListCommand(Window window, WParam) { mirrorListToTrackbar(window); }
void applyCommand(Window window, WParam) { composeFormula(window); }
void chooseFileCommand(Window window, WParam) { chooseDataFile(window); }
void aboutCommand(Window window, WParam) { showAboutBox(window); }
void helpCommand(Window window, WParam) { openHelpPage(window); }
void volumeControlCommand(Window, WParam) { launchVolumeControl(); }

// What each command does, by the low word of WM_COMMAND's wParam.  Anything
// else, Enter (1) and Escape (2) included, does nothing.
const struct {
    int id;
    void (*handle)(Window window, WParam wParam);
} commandRoutes[] = {
    // clang-format off
    //  id                handle
    {IDC_PLAY,         playCommand},
    {IDC_EXIT,         exitCommand},
    {IDM_EXIT,         exitCommand},
    {IDC_VOLUME_LIST,  volumeListCommand},
    {IDC_APPLY,        applyCommand},
    {IDC_CHOOSE_FILE,  chooseFileCommand},
    {IDM_ABOUT,        aboutCommand},
    {IDM_HELP,         helpCommand},
    {IDM_VOLUME,       volumeControlCommand},
    // clang-format on
};

void onCommand(Window window, WParam wParam) {
    const int id = (int)lowWord(wParam);
    for (const auto &route : commandRoutes) {
        if (route.id == id) {
            route.handle(window, wParam);
            return;
        }
    }
}

// Lists filled with numbers, each inserted at index 0, so every list ends
// up in the reverse of the insertion order.
const int amplitudeLists[] = {IDC_SINE_AMPLITUDE, IDC_SQUARE_AMPLITUDE, IDC_SAWTOOTH_AMPLITUDE, IDC_TRIANGLE_AMPLITUDE,
                              IDC_OFFSET_AMPLITUDE};
const int phaseLists[] = {IDC_SINE_PHASE, IDC_SQUARE_PHASE, IDC_SAWTOOTH_PHASE, IDC_TRIANGLE_PHASE};
const int frequencyBoxes[] = {IDC_SINE_FREQUENCY, IDC_SQUARE_FREQUENCY, IDC_SAWTOOTH_FREQUENCY, IDC_TRIANGLE_FREQUENCY};
const int rowChecks[] = {IDC_SINE_CHECK, IDC_SQUARE_CHECK, IDC_SAWTOOTH_CHECK, IDC_TRIANGLE_CHECK, IDC_OFFSET_CHECK};

// Inserts value at index 0 of every list in lists.
template <size_t N> void insertNumber(Window window, const int (&lists)[N], int value) {
    char text[16];
    snprintf(text, sizeof text, "%d", value);
    for (int list : lists)
        listInsert(window, list, 0, text);
}

} // namespace

int tonalixMain(Module module) {
    appModule = module;
    resetPlaybackState();
    runDialog(IDD_MAIN, nullptr, mainDialogProc);
    return 0;
}

intptr_t mainDialogProc(Window window, unsigned message, WParam wParam, LParam lParam) {
    // The device's messages arrive at this window; the stream acts on them
    // and ignores the rest, and the dialog goes on with the same message.
    onDeviceMessage(message, wParam, lParam);
    switch (message) {
    case WM_INITDIALOG:
        initMainDialog(window);
        return 0;
    case WM_COMMAND:
        onCommand(window, wParam);
        return 0;
    case WM_TIMER:
        onTimer(window);
        return 0;
    case WM_VSCROLL:
        return mirrorTrackbarToList(window, wParam, lParam);
    case WM_USER:
        onPlaybackNotice(window, wParam);
        return 0;
    case WM_CLOSE:
        stopStream();
        endDialog(window, (intptr_t)wParam);
        return 0;
    case WM_DESTROY:
        postQuitMessage(0);
        return 0;
    default:
        return 0;
    }
}

void initMainDialog(Window window) {
    if (!enumerateDevices(window, WM_USER)) {
        messageBox(window, noDeviceText, appCaption, MB_OK);
        endDialog(window, 0);
        return;
    }
    setButtonBitmap(appModule, window, IDC_PLAY, IDB_PLAY);
    setButtonBitmap(appModule, window, IDC_EXIT, IDB_EXIT);
    setButtonBitmap(appModule, window, IDC_CHOOSE_FILE, IDB_CHOOSE_FILE);
    setDialogIcon(window, IDI_APP);

    char title[1 + resourceTextSize] = " "; // one blank, then the program's name
    loadResourceText(title + 1, IDS_APP_NAME);
    setWindowText(window, title);

    fillLists(window);
    volumeTrackbar = controlOf(window, IDC_VOLUME_TRACKBAR);
    setVolumeRange();
    setDefaults(window);
}

void fillLists(Window window) {
    for (int value = 0; value <= 100; value++)
        insertNumber(window, amplitudeLists, value);
    for (int value = 99; value >= 0; value--)
        insertNumber(window, phaseLists, value);
    const int volumeList[] = {IDC_VOLUME_LIST};
    for (int value = 0; value <= 100; value++)
        insertNumber(window, volumeList, value);
    listInsert(window, IDC_DATA_DIRECTION, 0, readDirectionText);
    listInsert(window, IDC_DATA_DIRECTION, 0, writeDirectionText);
}

void setVolumeRange() { trackbarSetRange(volumeTrackbar, 0, 0, 100); }

void setDefaults(Window window) {
    setControlText(window, IDC_FORMULA, startFormula);
    listSelect(window, IDC_SINE_AMPLITUDE, 0); // "100"
    for (int list : {IDC_SQUARE_AMPLITUDE, IDC_SAWTOOTH_AMPLITUDE, IDC_TRIANGLE_AMPLITUDE, IDC_OFFSET_AMPLITUDE})
        listSelect(window, list, 100); // "0"
    for (int box : frequencyBoxes)
        setControlText(window, box, "1000");
    for (int list : phaseLists)
        listSelect(window, list, 0); // "0"
    for (int check : rowChecks)
        checkButton(window, check, 0);
    listSelect(window, IDC_VOLUME_LIST, 0);    // "100"
    listSelect(window, IDC_DATA_DIRECTION, 0); // writeDirectionText
}

void onPlaybackNotice(Window window, WParam notice) {
    if (notice == NoticeEnded) closeStream();
    if (notice == NoticeDeviceLost) onDeviceLost(window);
}

void mirrorListToTrackbar(Window window) {
    char text[resourceTextSize];
    getControlText(window, IDC_VOLUME_LIST, text, resourceTextSize);
    trackbarSetPosition(volumeTrackbar, 1, 100 - leadingInteger(text));
}

intptr_t mirrorTrackbarToList(Window window, WParam wParam, LParam lParam) {
    if (!volumeTrackbar || (Window)lParam != volumeTrackbar || lowWord(wParam) > TB_BOTTOM) return 0;
    listSelect(window, IDC_VOLUME_LIST, trackbarPosition(volumeTrackbar));
    return 1;
}
