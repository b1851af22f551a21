// The real Win32 dialogs, built by the dialog manager from the program's
// resources, on the display Wine draws to, with the scripted sound device
// behind them: each control as the layout table describes it, the tab order,
// the menu, Play and Stop as real button clicks, and pictures for review.
#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/mainDialog.h"
#include "app/playback.h"
#include "audio/synthesis.h"
#include "audio/waveStream.h"
#include "platform/win32/win32Text.h"
#include "platform/win32/win32Window.h"
#include "res/layout.h"
#include "res/resource.h"
#include "tests/fakes/fakeWaveOut.h"
#include "tests/platform/win32/screenPicture.h"
#include "ui/aboutBox.h"

namespace {

// The window class of each kind of control.
const struct {
    ControlKind kind;
    const wchar_t *windowClass;
} classRows[] = {
    // clang-format off
    {ControlPushButton, L"Button"}, {ControlCheckBox, L"Button"},
    {ControlDropList, L"ComboBox"}, {ControlStaticText, L"Static"},
    {ControlEdit, L"Edit"},         {ControlIcon, L"Static"},
    {ControlGroupBox, L"Button"},   {ControlTrackbar, L"msctls_trackbar32"},
    // clang-format on
};

// A style bit of the table and the platform style that must carry it, for a
// kind (-1 every kind), in the window style or the extended one.
const struct {
    uint32_t bit;
    int kind;
    DWORD style;
    int extended;
} styleRows[] = {
    {StyleVisible, -1, WS_VISIBLE, 0},
    {StyleTabStop, -1, WS_TABSTOP, 0},
    {StyleGroup, -1, WS_GROUP, 0},
    {StyleRightAligned, -1, WS_EX_RIGHT, 1},
    {StyleAutoHScroll, ControlEdit, ES_AUTOHSCROLL, 0},
    {StyleDigitsOnly, ControlEdit, ES_NUMBER, 0},
    {StyleVScroll, ControlDropList, WS_VSCROLL, 0},
    {StyleKeepScrollBar, ControlDropList, CBS_DISABLENOSCROLL, 0},
    {StyleSort, ControlDropList, CBS_SORT, 0},
    {StyleBitmap, ControlPushButton, BS_BITMAP, 0},
    {StyleNotify, ControlStaticText, SS_NOTIFY, 0},
    {StyleCentred, ControlStaticText, SS_CENTER, 0},
    {StyleVCentred, ControlStaticText, SS_CENTERIMAGE, 0},
    {StyleVertical, ControlTrackbar, TBS_VERT, 0},
    {StyleBothPointers, ControlTrackbar, TBS_BOTH, 0},
    {StyleNoTicks, ControlTrackbar, TBS_NOTICKS, 0},
};

// The type a control's kind must have in the low bits of its style.
DWORD expectedType(const ControlTemplate &row, DWORD *mask) {
    switch (row.kind) {
    case ControlPushButton:
        *mask = BS_TYPEMASK;
        return (row.style & StyleDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    case ControlCheckBox:
        *mask = BS_TYPEMASK;
        return BS_AUTOCHECKBOX;
    case ControlGroupBox:
        *mask = BS_TYPEMASK;
        return BS_GROUPBOX;
    case ControlDropList:
        *mask = 3; // CBS_SIMPLE, CBS_DROPDOWN, CBS_DROPDOWNLIST
        return CBS_DROPDOWNLIST;
    case ControlIcon:
        *mask = SS_TYPEMASK;
        return SS_ICON;
    default:
        *mask = 0;
        return 0;
    }
}

// Returns the UTF-8 text of window.
std::string textOf(HWND hwnd) {
    wchar_t text[512] = L"";
    SendMessageW(hwnd, WM_GETTEXT, 512, (LPARAM)text);
    return toUtf8(text);
}

// Hands the waiting messages to their windows for ms milliseconds.
void pumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue; // posted by a destroyed main dialog
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while ((LONG)(end - GetTickCount()) > 0);
}

// Saves a picture of window, as the screen shows it, as a BMP file in the
// screenshots folder.
void saveScreenshot(HWND hwnd, const char *name) {
    SetForegroundWindow(hwnd);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpFor(300);
    RECT frame;
    GetWindowRect(hwnd, &frame);
    CreateDirectoryA(TONALIX_SCREENSHOTS, nullptr);
    saveScreenArea(frame, (std::string(TONALIX_SCREENSHOTS) + "/" + name).c_str());
}

class Win32WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetFakeWaveOut();
        waveStream = WaveStream();
        sampleCapture = SampleCapture();
        resetPlaybackState();
        dialog = (HWND)win32OpenDialog(IDD_MAIN, nullptr, mainDialogProc);
        ASSERT_NE(dialog, nullptr);
        ShowWindow(dialog, SW_SHOW);
        pumpFor(100);
    }
    void TearDown() override {
        if (waveStream.streaming) stopStream();
        pumpFor(50);
        if (waveStream.device) closeStream();
        DestroyWindow(dialog);
        pumpFor(20);
        resetFakeWaveOut();
    }

    // Checks every control of template templateId, created in dialog, against
    // its row: class, style bits, rectangle and, for fixed texts, text.
    void checkControls(HWND owner, int templateId) {
        const DialogTemplate *layout = findDialogTemplate(templateId);
        ASSERT_NE(layout, nullptr);
        HWND child = GetWindow(owner, GW_CHILD);
        for (int i = 0; i < layout->controlCount; i++, child = GetWindow(child, GW_HWNDNEXT)) {
            const ControlTemplate &row = layout->controls[i];
            SCOPED_TRACE(testing::Message() << "row " << i + 1 << ", control " << row.id);
            ASSERT_NE(child, nullptr);
            EXPECT_EQ(GetDlgCtrlID(child), row.id);
            wchar_t windowClass[64];
            GetClassNameW(child, windowClass, 64);
            for (const auto &c : classRows) {
                if (c.kind == row.kind) {
                    EXPECT_EQ(lstrcmpiW(windowClass, c.windowClass), 0) << toUtf8(windowClass);
                }
            }
            DWORD style = (DWORD)GetWindowLongW(child, GWL_STYLE);
            const DWORD extended = (DWORD)GetWindowLongW(child, GWL_EXSTYLE);
            COMBOBOXINFO parts = {};
            parts.cbSize = sizeof parts;
            if (row.kind == ControlDropList && GetComboBoxInfo(child, &parts)) {
                // the list's scroll bar belongs to the list that drops down
                style |= (DWORD)GetWindowLongW(parts.hwndList, GWL_STYLE) & WS_VSCROLL;
            }
            for (const auto &s : styleRows) {
                if (s.kind != -1 && s.kind != row.kind) continue;
                // a list whose items all fit drops a scroll bar it need not keep
                if (s.bit == StyleVScroll && !(row.style & StyleKeepScrollBar)) continue;
                const DWORD has = (s.extended ? extended : style) & s.style;
                EXPECT_EQ(has != 0, (row.style & s.bit) != 0) << "style bit " << s.bit;
            }
            // an edit trades its thin frame for the sunken one of its time
            const int framed = (style & WS_BORDER) || (extended & WS_EX_CLIENTEDGE);
            EXPECT_EQ(framed, (row.style & StyleBorder) != 0);
            DWORD mask = 0, type = expectedType(row, &mask);
            EXPECT_EQ(style & mask, type);
            // The dialog manager converts the place and the size each on
            // its own, as MapDialogRect converts each field.
            RECT expected = {row.x, row.y, row.width, row.height}, actual;
            MapDialogRect(owner, &expected);
            GetWindowRect(child, &actual);
            MapWindowPoints(nullptr, owner, (POINT *)&actual, 2);
            EXPECT_EQ(actual.left, expected.left);
            EXPECT_EQ(actual.top, expected.top);
            if (row.kind == ControlDropList) {
                // The row's height is the list's dropped height.  Windows
                // counts it from the top of the box, Wine from below it.
                RECT dropped;
                SendMessageW(child, CB_GETDROPPEDCONTROLRECT, 0, (LPARAM)&dropped);
                const LONG box = actual.bottom - actual.top;
                EXPECT_EQ(actual.right - actual.left, expected.right);
                EXPECT_EQ(dropped.right - dropped.left, expected.right);
                EXPECT_LE(dropped.bottom - dropped.top, expected.bottom);
                EXPECT_GE(dropped.bottom - dropped.top, expected.bottom - box);
            } else if (row.kind != ControlIcon) { // an icon control takes its icon's size
                EXPECT_EQ(actual.right - actual.left, expected.right);
                EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
            }
            const int fixedText = row.kind == ControlCheckBox || row.kind == ControlGroupBox ||
                                  row.kind == ControlPushButton ||
                                  (row.kind == ControlStaticText && templateId == IDD_MAIN);
            if (fixedText) {
                EXPECT_EQ(textOf(child), row.text);
            }
        }
        EXPECT_EQ(child, nullptr) << "more controls than rows";
    }

    HWND dialog = nullptr;
};

TEST_F(Win32WindowTest, EveryControlIsItsRow) {
    checkControls(dialog, IDD_MAIN);
    EXPECT_EQ(textOf(dialog), " Tonalix");
    EXPECT_EQ(textOf(GetDlgItem(dialog, IDC_FORMULA)), "sin(440*6.2831853071795865*t)");
    EXPECT_EQ(textOf(GetDlgItem(dialog, IDC_VOLUME_LIST)), "100");
    EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_VOLUME_TRACKBAR, TBM_GETPOS, 0, 0), 0);
    saveScreenshot(dialog, "win32-main.bmp");
}

TEST_F(Win32WindowTest, TabReachesTheShownControlsInTemplateOrder) {
    const DialogTemplate *layout = findDialogTemplate(IDD_MAIN);
    std::vector<int> expected, reached;
    for (int i = 0; i < layout->controlCount; i++)
        if ((layout->controls[i].style & (StyleVisible | StyleTabStop)) == (StyleVisible | StyleTabStop))
            expected.push_back(layout->controls[i].id);
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE), at = first;
    do {
        reached.push_back(GetDlgCtrlID(at));
        at = GetNextDlgTabItem(dialog, at, FALSE);
    } while (at && at != first && reached.size() < 100);
    EXPECT_EQ(reached, expected);
}

TEST_F(Win32WindowTest, TheMenuIsTheTable) {
    HMENU bar = GetMenu(dialog);
    ASSERT_NE(bar, nullptr);
    int count = 0;
    const MenuTemplateItem *items = findMenu(IDR_MAIN, &count);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    wchar_t text[128];
    GetMenuStringW(bar, 0, text, 128, MF_BYPOSITION);
    EXPECT_EQ(toUtf8(text), items[0].text);
    HMENU popup = GetSubMenu(bar, 0);
    ASSERT_EQ(GetMenuItemCount(popup), count - 1);
    for (int i = 1; i < count; i++) {
        GetMenuStringW(popup, i - 1, text, 128, MF_BYPOSITION);
        EXPECT_EQ(toUtf8(text), items[i].text);
        EXPECT_EQ((int)GetMenuItemID(popup, i - 1), items[i].command);
    }
}

// Play and Stop pressed as a user presses them: the status line counts down
// once a second, then shows the time, and Stop brings everything back.
TEST_F(Win32WindowTest, PlayAndStopClicksDriveTheStatusLine) {
    HWND play = GetDlgItem(dialog, IDC_PLAY), status = GetDlgItem(dialog, IDC_STATUS);
    HANDLE stoppedImage = (HANDLE)SendMessageW(play, BM_GETIMAGE, IMAGE_BITMAP, 0);
    SendMessageW(play, BM_CLICK, 0, 0);
    EXPECT_EQ(playbackState.playing, 1);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_FORMULA)));
    EXPECT_NE((HANDLE)SendMessageW(play, BM_GETIMAGE, IMAGE_BITMAP, 0), stoppedImage);
    std::vector<std::string> seen = {textOf(status)};
    const DWORD end = GetTickCount() + 4700;
    while ((LONG)(end - GetTickCount()) > 0) {
        pumpFor(50);
        if (textOf(status) != seen.back()) seen.push_back(textOf(status));
    }
    const std::vector<std::string> expected = {"現在停止中", "再生まで 3秒", "再生まで 2秒", "再生まで 1秒",
                                               "再生中  t = 0.0Sec （0.5Sec毎に更新）"};
    EXPECT_EQ(seen, expected);
    SendMessageW(play, BM_CLICK, 0, 0);
    pumpFor(50);
    EXPECT_EQ(playbackState.playing, 0);
    EXPECT_EQ(textOf(status), "現在停止中");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_FORMULA)));
    EXPECT_EQ(waveStream.device, nullptr) << "the end notice closes the device";
}

TEST_F(Win32WindowTest, TheAboutBoxIsItsTemplate) {
    HWND about = (HWND)win32OpenDialog(IDD_ABOUT, (Window)dialog, aboutDialogProc);
    ASSERT_NE(about, nullptr);
    ShowWindow(about, SW_SHOW);
    pumpFor(100);
    checkControls(about, IDD_ABOUT);
    EXPECT_EQ(textOf(about), " バ ー ジ ョ ン 情 報");
    EXPECT_EQ(textOf(GetDlgItem(about, IDC_ABOUT_VERSION)), "version 0.5.6");
    // The rights notice is drawn whole inside its control, in the box's font.
    HWND rights = GetDlgItem(about, IDC_ABOUT_RIGHTS);
    wchar_t notice[256] = L"";
    const int length = GetWindowTextW(rights, notice, 256);
    HDC dc = GetDC(rights);
    HGDIOBJ oldFont = SelectObject(dc, (HGDIOBJ)SendMessageW(rights, WM_GETFONT, 0, 0));
    SIZE extent{};
    GetTextExtentPoint32W(dc, notice, length, &extent);
    SelectObject(dc, oldFont);
    ReleaseDC(rights, dc);
    RECT box{};
    GetClientRect(rights, &box);
    EXPECT_GT(length, 0);
    EXPECT_LE(extent.cx, box.right) << textOf(rights);
    saveScreenshot(about, "win32-about.bmp");
    DestroyWindow(about);
}

} // namespace
