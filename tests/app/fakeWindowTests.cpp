// The in-memory window layer keeps the contract that the real backends keep.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "res/resource.h"
#include "tests/fakes/fakeSystem.h"
#include "tests/fakes/fakeWindow.h"

namespace {

struct Received {
    Window window;
    unsigned message;
    WParam wParam;
    LParam lParam;
};
std::vector<Received> received;

intptr_t recordingProc(Window window, unsigned message, WParam wParam, LParam lParam) {
    received.push_back({window, message, wParam, lParam});
    return 0;
}

class FakeWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeResetWindows();
        received.clear();
        dialog = fakeOpenDialog(IDD_MAIN, nullptr, recordingProc);
        ASSERT_NE(dialog, nullptr);
    }
    void TearDown() override { fakeResetWindows(); }
    Window dialog = nullptr;
};

TEST_F(FakeWindowTest, DialogGetsInitialisationFirst) {
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, (unsigned)WM_INITDIALOG);
    EXPECT_EQ(controlIdOf(controlOf(dialog, IDC_STATUS)), IDC_STATUS);
    EXPECT_EQ(fakeText(controlOf(dialog, IDC_STATUS)), "現在停止中");
    EXPECT_EQ(controlOf(dialog, 4711), nullptr);
    EXPECT_EQ(controlIdOf(dialog), 0);
}

// getControlText copies at most size - 1 bytes and never splits a character.
TEST_F(FakeWindowTest, ControlTextIsCutAtTheBound) {
    setControlText(dialog, IDC_FORMULA, "ab再生"); // "再" and "生" take three bytes each
    const struct {
        int size;
        const char *text;
        unsigned copied;
    } cases[] = {
        {256, "ab再生", 8}, {9, "ab再生", 8}, {8, "ab再", 5}, {6, "ab再", 5},
        {5, "ab", 2},       {3, "ab", 2},     {2, "a", 1},    {1, "", 0},
    };
    for (auto c : cases) {
        char buffer[300];
        memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(getControlText(dialog, IDC_FORMULA, buffer, c.size), c.copied) << c.size;
        EXPECT_STREQ(buffer, c.text) << c.size;
    }
    char untouched = 'x';
    EXPECT_EQ(getControlText(dialog, IDC_FORMULA, &untouched, 0), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(FakeWindowTest, ListsInsertAtPositionsAndGiveTheSelectedText) {
    const struct {
        int index;
        const char *text;
        int expected;
    } inserts[] = {{0, "b", 0}, {0, "a", 0}, {-1, "d", 2}, {2, "c", 2}, {5, "x", -1}, {-2, "x", -1}};
    for (auto c : inserts)
        EXPECT_EQ(listInsert(dialog, IDC_VOLUME_LIST, c.index, c.text), c.expected) << c.text;
    EXPECT_EQ(fakeListItems(dialog, IDC_VOLUME_LIST), (std::vector<std::string>{"a", "b", "c", "d"}));

    // A list's text is its selected item's, empty with none selected.
    char text[16];
    getControlText(dialog, IDC_VOLUME_LIST, text, sizeof text);
    EXPECT_STREQ(text, "");
    listSelect(dialog, IDC_VOLUME_LIST, 2);
    getControlText(dialog, IDC_VOLUME_LIST, text, sizeof text);
    EXPECT_STREQ(text, "c");
    listInsert(dialog, IDC_VOLUME_LIST, 0, "first"); // the selected item moves along
    getControlText(dialog, IDC_VOLUME_LIST, text, sizeof text);
    EXPECT_STREQ(text, "c");
    listSelect(dialog, IDC_VOLUME_LIST, 99); // out of range: nothing selected
    getControlText(dialog, IDC_VOLUME_LIST, text, sizeof text);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(listInsert(dialog, IDC_FORMULA, 0, "not a list"), -1);
}

TEST_F(FakeWindowTest, TrackbarPositionStaysInItsRange) {
    Window trackbar = controlOf(dialog, IDC_VOLUME_TRACKBAR);
    trackbarSetRange(trackbar, 0, 0, 100);
    const struct { int set, expected; } cases[] = {{63, 63}, {-5, 0}, {101, 100}, {0, 0}, {100, 100}};
    for (auto c : cases) {
        trackbarSetPosition(trackbar, 1, c.set);
        EXPECT_EQ(trackbarPosition(trackbar), c.expected) << c.set;
    }
    trackbarSetRange(trackbar, 0, 10, 20);
    EXPECT_EQ(trackbarPosition(trackbar), 20);
}

TEST_F(FakeWindowTest, UserActionsNeedAnEnabledVisibleControl) {
    EXPECT_EQ(fakeClick(dialog, IDC_SINE_CHECK), 1);
    EXPECT_EQ(isChecked(dialog, IDC_SINE_CHECK), 1);
    EXPECT_EQ(received.back().message, (unsigned)WM_COMMAND);
    EXPECT_EQ(received.back().wParam, commandParam(IDC_SINE_CHECK, BN_CLICKED));

    enableControl(dialog, IDC_SINE_CHECK, 0);
    size_t before = received.size();
    EXPECT_EQ(fakeClick(dialog, IDC_SINE_CHECK), 0);
    EXPECT_EQ(isChecked(dialog, IDC_SINE_CHECK), 1);
    EXPECT_EQ(fakeClick(dialog, IDC_DATA_OPTION), 0);      // hidden
    EXPECT_EQ(fakeType(dialog, IDC_DATA_COUNT, "100"), 0); // hidden
    EXPECT_EQ(fakePick(dialog, IDC_VOLUME_LIST, 0), 0);    // no items yet
    EXPECT_EQ(received.size(), before);

    checkButton(dialog, IDC_DATA_OPTION, 1); // the program may still set hidden ones
    EXPECT_EQ(isChecked(dialog, IDC_DATA_OPTION), 1);
}

TEST_F(FakeWindowTest, TimersRunUntilStoppedAndAreReplaced) {
    EXPECT_EQ(fakeFireTimer(dialog, IDT_PLAYBACK), 0);
    startTimer(dialog, IDT_PLAYBACK, 1000);
    EXPECT_EQ(fakeTimerPeriod(dialog, IDT_PLAYBACK), 1000u);
    startTimer(dialog, IDT_PLAYBACK, 500);
    EXPECT_EQ(fakeTimerPeriod(dialog, IDT_PLAYBACK), 500u);
    EXPECT_EQ(fakeFireTimer(dialog, IDT_PLAYBACK), 1);
    EXPECT_EQ(received.back().message, (unsigned)WM_TIMER);
    EXPECT_EQ(received.back().wParam, (WParam)IDT_PLAYBACK);
    stopTimer(dialog, IDT_PLAYBACK);
    stopTimer(dialog, IDT_PLAYBACK);
    EXPECT_EQ(fakeTimerPeriod(dialog, IDT_PLAYBACK), 0u);
}

TEST_F(FakeWindowTest, PostedMessagesArriveInOrderAndOnlyToLiveWindows) {
    EXPECT_EQ(postMessage(nullptr, WM_USER, 1, 0), 0);
    std::thread device([&] {
        for (int i = 0; i < 50; i++)
            postMessage(dialog, WM_USER, (WParam)i, 0);
    });
    device.join();
    EXPECT_EQ(fakePendingMessages(), 50);
    received.clear();
    EXPECT_EQ(fakeDeliverPosted(), 50);
    ASSERT_EQ(received.size(), 50u);
    for (int i = 0; i < 50; i++)
        EXPECT_EQ(received[(size_t)i].wParam, (WParam)i);

    Window window = createMessageWindow(recordingProc);
    postMessage(window, WM_USER, 7, 0);
    destroyMessageWindow(window);
    EXPECT_EQ(fakePendingMessages(), 0);
    EXPECT_EQ(postMessage(window, WM_USER, 8, 0), 0);
}

TEST_F(FakeWindowTest, MessageBoxesAreRecordedAndAnswered) {
    int seenDuringBox = 0;
    fakeSetMessageBoxScript([&](const FakeMessageBox &box) { seenDuringBox = box.text == "hello"; });
    EXPECT_EQ(messageBox(dialog, "hello", "Tonalix", MB_OK | MB_ICONERROR), IDOK);
    ASSERT_EQ(fakeMessageBoxes().size(), 1u);
    EXPECT_EQ(fakeMessageBoxes()[0].caption, "Tonalix");
    EXPECT_EQ(fakeMessageBoxes()[0].flags, MB_OK | MB_ICONERROR);
    EXPECT_EQ(fakeMessageBoxes()[0].owner, dialog);
    EXPECT_EQ(seenDuringBox, 1);
}

intptr_t endingProc(Window window, unsigned message, WParam wParam, LParam) {
    if (message == WM_USER) endDialog(window, (intptr_t)wParam);
    if (message == WM_DESTROY) postQuitMessage(3);
    return 0;
}

TEST(FakeRunDialog, RunsPostedMessagesAndScriptsUntilTheDialogEnds) {
    fakeResetWindows();
    fakeSetDialogScript(IDD_MAIN, [](Window dialog) { postMessage(dialog, WM_USER, 42, 0); });
    EXPECT_EQ(runDialog(IDD_MAIN, nullptr, endingProc), 42);
    int code = 0;
    EXPECT_EQ(fakeQuitRequested(&code), 1);
    EXPECT_EQ(code, 3);

    fakeResetWindows(); // no script: the loop has nothing to wait for
    EXPECT_EQ(runDialog(IDD_MAIN, nullptr, endingProc), -1);
    EXPECT_EQ(runDialog(4711, nullptr, endingProc), -1);
    fakeResetWindows();
}

TEST(FakeSystem, RecordsWritesAndExpandsTheEnvironment) {
    fakeResetSystem();
    writeRegistryDword(HKEY_CURRENT_USER, "Software\\A", "vol", 5);
    writeRegistryDword(HKEY_CURRENT_USER, "Software\\A", "vol", 7);
    int32_t value = 0;
    EXPECT_EQ(fakeRegistryValue("Software\\A", "vol", &value), 1);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(fakeRegistryValue("Software\\A", "sin_vol", &value), 0);

    fakeSetEnvironment("SystemRoot", "C:\\WINDOWS");
    char buffer[64];
    EXPECT_GT(expandEnvironment("%SystemRoot%\\x.exe %NONE%", buffer, sizeof buffer), 0u);
    EXPECT_STREQ(buffer, "C:\\WINDOWS\\x.exe %NONE%");
    EXPECT_EQ(expandEnvironment("%SystemRoot%", buffer, 5), 0u);
    fakeResetSystem();
}

} // namespace
