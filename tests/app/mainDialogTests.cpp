// The main window: start without a device, start values, lists, volume
// mirroring and the routing of messages and commands.
#include "tests/app/mainWindowFixture.h"

#include <vector>

namespace {

// Without a usable device the only thing shown is the plain message box, and
// the entry point still returns 0.
TEST(MainWindowStart, WithoutADeviceShowsOnlyTheMessage) {
    const struct {
        uint32_t devices;
        int mapperFails;
    } cases[] = {{0, 0}, {1, 1}, {3, 1}};
    for (auto c : cases) {
        fakeResetWindows();
        resetFakeWaveOut();
        waveStream = WaveStream();
        fakeWaveOut.devices = c.devices;
        fakeWaveOut.mapperCapsFails = c.mapperFails;
        EXPECT_EQ(tonalixMain(nullptr), 0);
        ASSERT_EQ(fakeMessageBoxes().size(), 1u) << c.devices;
        EXPECT_EQ(fakeMessageBoxes()[0].text, "No waveform-audio devices.");
        EXPECT_EQ(fakeMessageBoxes()[0].caption, "Tonalix");
        EXPECT_EQ(fakeMessageBoxes()[0].flags, (unsigned)MB_OK);
        int code = -1;
        EXPECT_EQ(fakeQuitRequested(&code), 1);
        EXPECT_EQ(code, 0);
    }
    fakeResetWindows();
    resetFakeWaveOut();
}

TEST(MainWindowStart, EntryPointReturnsZeroWhateverTheDialogEndsWith) {
    fakeResetWindows();
    resetFakeWaveOut();
    waveStream = WaveStream();
    fakeSetDialogScript(IDD_MAIN, [](Window dialog) {
        fakeClick(dialog, IDC_EXIT); // ends with the whole wParam, not 0
    });
    EXPECT_EQ(tonalixMain(nullptr), 0);
    EXPECT_TRUE(fakeMessageBoxes().empty());
    fakeResetWindows();
    resetFakeWaveOut();
}

TEST_F(MainWindowTest, StartsWithTitleIconImagesAndStatus) {
    EXPECT_EQ(fakeText(dialog), " Tonalix");
    EXPECT_EQ(fakeDialogIcon(dialog), IDI_APP);
    EXPECT_EQ(fakeButtonImage(dialog, IDC_PLAY), IDB_PLAY);
    EXPECT_EQ(fakeButtonImage(dialog, IDC_EXIT), IDB_EXIT);
    EXPECT_EQ(fakeButtonImage(dialog, IDC_CHOOSE_FILE), IDB_CHOOSE_FILE);
    EXPECT_EQ(text(IDC_STATUS), stoppedText);
    EXPECT_TRUE(fakeMessageBoxes().empty());
    EXPECT_EQ(fakeTimerPeriod(dialog, IDT_PLAYBACK), 0u);
    EXPECT_EQ(playbackState.playing, 0);
}

TEST_F(MainWindowTest, EveryControlHasItsStartValue) {
    const struct {
        int id;
        const char *text;
    } texts[] = {
        // clang-format off
        {IDC_FORMULA, "sin(440*6.2831853071795865*t)"},
        {IDC_SINE_AMPLITUDE, "100"},   {IDC_SQUARE_AMPLITUDE, "0"},   {IDC_SAWTOOTH_AMPLITUDE, "0"},
        {IDC_TRIANGLE_AMPLITUDE, "0"}, {IDC_OFFSET_AMPLITUDE, "0"},
        {IDC_SINE_FREQUENCY, "1000"},  {IDC_SQUARE_FREQUENCY, "1000"}, {IDC_SAWTOOTH_FREQUENCY, "1000"},
        {IDC_TRIANGLE_FREQUENCY, "1000"},
        {IDC_SINE_PHASE, "0"},         {IDC_SQUARE_PHASE, "0"},       {IDC_SAWTOOTH_PHASE, "0"},
        {IDC_TRIANGLE_PHASE, "0"},
        {IDC_VOLUME_LIST, "100"},      {IDC_DATA_DIRECTION, "書き込む"},
        {IDC_DATA_PATH, ""},           {IDC_DATA_COUNT, ""},
        // clang-format on
    };
    for (auto c : texts)
        EXPECT_EQ(text(c.id), c.text) << "control " << c.id;
    for (int id :
         {IDC_SINE_CHECK, IDC_SQUARE_CHECK, IDC_SAWTOOTH_CHECK, IDC_TRIANGLE_CHECK, IDC_OFFSET_CHECK, IDC_DATA_OPTION})
        EXPECT_EQ(isChecked(dialog, id), 0) << "control " << id;
    for (int id : lockedControls)
        EXPECT_EQ(fakeIsEnabled(dialog, id), 1) << "control " << id;

    // the trackbar's position is never set at start: 0, the top, matching "100"
    int minimum = -1, maximum = -1;
    fakeTrackbarRange(volumeTrackbar, &minimum, &maximum);
    EXPECT_EQ(volumeTrackbar, controlOf(dialog, IDC_VOLUME_TRACKBAR));
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 100);
    EXPECT_EQ(trackbarPosition(volumeTrackbar), 0);
}

TEST_F(MainWindowTest, ListsHoldTheirItemsInReverseInsertionOrder) {
    const struct {
        int id;
        int count;
        int firstValue; // item k reads firstValue + step * k
        int step;
    } lists[] = {
        // clang-format off
        {IDC_SINE_AMPLITUDE, 101, 100, -1},   {IDC_SQUARE_AMPLITUDE, 101, 100, -1},
        {IDC_SAWTOOTH_AMPLITUDE, 101, 100, -1}, {IDC_TRIANGLE_AMPLITUDE, 101, 100, -1},
        {IDC_OFFSET_AMPLITUDE, 101, 100, -1}, {IDC_VOLUME_LIST, 101, 100, -1},
        {IDC_SINE_PHASE, 100, 0, 1},          {IDC_SQUARE_PHASE, 100, 0, 1},
        {IDC_SAWTOOTH_PHASE, 100, 0, 1},      {IDC_TRIANGLE_PHASE, 100, 0, 1},
        // clang-format on
    };
    for (auto c : lists) {
        std::vector<std::string> items = fakeListItems(dialog, c.id);
        ASSERT_EQ((int)items.size(), c.count) << "list " << c.id;
        for (int k = 0; k < c.count; k++)
            EXPECT_EQ(items[(size_t)k], std::to_string(c.firstValue + c.step * k)) << "list " << c.id << " item " << k;
    }
    EXPECT_EQ(fakeListItems(dialog, IDC_DATA_DIRECTION), (std::vector<std::string>{"書き込む", "読み込む"}));
}

// The list reads 100 - p for trackbar position p, both ways.
TEST_F(MainWindowTest, VolumeListMovesTheTrackbar) {
    const struct {
        const char *item;
        int position;
    } cases[] = {{"37", 63}, {"0", 100}, {"100", 0}, {"75", 25}};
    for (auto c : cases) {
        int index = 100 - atoi(c.item);
        ASSERT_EQ(fakePick(dialog, IDC_VOLUME_LIST, index), 1);
        EXPECT_EQ(trackbarPosition(volumeTrackbar), c.position) << c.item;
    }
    EXPECT_GT(fakeRedrawCount(dialog, IDC_VOLUME_TRACKBAR), 0);
}

TEST_F(MainWindowTest, TrackbarMovesTheVolumeList) {
    const struct {
        unsigned code;
        int position;
        intptr_t result;
        const char *list; // the list's text afterwards
    } cases[] = {
        // clang-format off
        {TB_THUMBTRACK, 25, 1, "75"},   {TB_TOP, 0, 1, "100"},       {TB_BOTTOM, 100, 1, "0"},
        {TB_LINEDOWN, 1, 1, "99"},      {TB_PAGEDOWN, 21, 1, "79"},  {TB_LINEUP, 20, 1, "80"},
        {TB_PAGEUP, 0, 1, "100"},       {TB_THUMBPOSITION, 63, 1, "37"},
        {TB_ENDTRACK, 10, 0, "37"},     // the end of a drag changes nothing
        // clang-format on
    };
    for (auto c : cases) {
        EXPECT_EQ(fakeScroll(dialog, IDC_VOLUME_TRACKBAR, c.code, c.position), c.result) << c.code;
        EXPECT_EQ(text(IDC_VOLUME_LIST), c.list) << c.code;
    }
    // a scroll that does not come from the volume trackbar is not handled
    EXPECT_EQ(fakeSend(dialog, WM_VSCROLL, TB_TOP, 0), 0);
    EXPECT_EQ(fakeSend(dialog, WM_VSCROLL, TB_TOP, (LParam)controlOf(dialog, IDC_FORMULA)), 0);
    EXPECT_EQ(text(IDC_VOLUME_LIST), "37");
}

// Enter, Escape and commands of controls without one leave the window as it is.
TEST_F(MainWindowTest, InertCommandsChangeNothing) {
    const unsigned inert[] = {IDOK, IDCANCEL, IDC_FORMULA, IDC_SINE_CHECK, 4711};
    for (unsigned id : inert) {
        EXPECT_EQ(fakeSend(dialog, WM_COMMAND, commandParam(id, BN_CLICKED), 0), 0) << id;
        EXPECT_EQ(fakeDialogEnded(dialog), 0) << id;
    }
    EXPECT_TRUE(fakeMessageBoxes().empty());
    EXPECT_EQ(fakeTimerPeriod(dialog, IDT_PLAYBACK), 0u);
    EXPECT_EQ(playbackState.playing, 0);
    EXPECT_EQ(text(IDC_FORMULA), "sin(440*6.2831853071795865*t)");
    EXPECT_EQ(fakeWaveOut.openCalls, 0);
    EXPECT_TRUE(fakeShellRequests().empty());
    EXPECT_TRUE(fakeProgramStarts().empty());
}

// Exit, menu Exit and the close box reset the stream and end the dialog with
// their wParam, without the stop sequence.
TEST_F(MainWindowTest, ExitRoutesResetTheStreamAndEndTheDialog) {
    const struct {
        unsigned message;
        WParam wParam;
    } exits[] = {
        {WM_COMMAND, commandParam(IDC_EXIT, BN_CLICKED)},
        {WM_COMMAND, commandParam(IDM_EXIT, 0)},
        {WM_COMMAND, commandParam(IDC_EXIT, 7)},
        {WM_CLOSE, 0},
        {WM_CLOSE, 9},
    };
    for (auto c : exits) {
        TearDown();
        SetUp();
        pressPlay();
        tick();
        EXPECT_EQ(fakeSend(dialog, c.message, c.wParam, 0), 0);
        EXPECT_EQ(fakeDialogEnded(dialog), 1);
        EXPECT_EQ(fakeDialogResult(dialog), (intptr_t)c.wParam);
        EXPECT_EQ(fakeWaveOut.resetCalls, 1);
        // no stop sequence: the status line and the locked controls stay
        EXPECT_EQ(text(IDC_STATUS), "再生まで 3秒");
        EXPECT_EQ(fakeIsEnabled(dialog, IDC_FORMULA), 0);
        EXPECT_EQ(fakeWaveOut.closeCalls, 0);
    }
}

TEST_F(MainWindowTest, DestroyPostsTheQuitMessage) {
    fakeCloseDialog(dialog);
    int code = -1;
    EXPECT_EQ(fakeQuitRequested(&code), 1);
    EXPECT_EQ(code, 0);
}

// Every message reaches the stream first: the device's buffer-done messages
// refill it, and its end notice closes the device.
TEST_F(MainWindowTest, DeviceMessagesReachTheStreamThroughTheDialog) {
    pressPlay();
    ASSERT_EQ(fakeWaveOut.writeCalls, 3);
    fakeDeliverPosted(); // MM_WOM_OPEN and the started notice
    fakeWaveReturnNext();
    EXPECT_EQ(fakeDeliverPosted(), 2); // MM_WOM_DONE, then the buffer-done notice
    EXPECT_EQ(fakeWaveOut.writeCalls, 4);
    EXPECT_EQ(fakeWaveOut.closeCalls, 0);

    pressPlay(); // stop: the device hands every buffer back
    fakeDeliverPosted();
    EXPECT_EQ(fakeWaveOut.closeCalls, 1);
    EXPECT_EQ(waveStream.device, nullptr);

    // an end notice with no device open closes nothing more
    fakeSend(dialog, WM_USER, NoticeEnded, 0);
    EXPECT_EQ(fakeWaveOut.closeCalls, 1);
}

TEST_F(MainWindowTest, OtherNoticesLeaveTheDeviceOpen) {
    pressPlay();
    fakeDeliverPosted();
    for (WParam notice : {(WParam)NoticeStarted, (WParam)NoticeBufferDone, (WParam)0, (WParam)99})
        fakeSend(dialog, WM_USER, notice, 0);
    EXPECT_EQ(fakeWaveOut.closeCalls, 0);
    EXPECT_NE(waveStream.device, nullptr);
}

} // namespace
