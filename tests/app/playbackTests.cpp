// Playback control on the main window: the start and stop sequences, the
// countdown and the time display, the error boxes and the saved settings.
#include "tests/app/mainWindowFixture.h"

#include <cstdio>

#include "formula/formula.h"

namespace {

const char *const emptyFormulaText =
    "\n波 形 式 が 入 力 さ れ て い ま せ ん 。\n\n波 形 式 を 書 き 直 し て く だ さ い 。\n\n";
const char *const badFormulaText =
    "\n波 形 式 が 評 価 で き ま せ ん 。\n\n波 形 式 を 修 正 し て く だ さ い 。\n\n";
const char *const deviceFailedText = "\nサ ウ ン ド デ バ イ ス を 開 け ま せ ん 。\n\n";
const char *const deviceLostText =
    "\nサ ウ ン ド デ バ イ ス が 失 わ れ ま し た 。\n\n再 生 を 停 止 し ま し た 。\n\n";

class PlaybackTest : public MainWindowTest {
protected:
    // Checks the window at rest: nothing locked, no timer, the play image
    // and the stopped text.
    void expectStopped() {
        for (int id : lockedControls)
            EXPECT_EQ(fakeIsEnabled(dialog, id), 1) << "control " << id;
        EXPECT_EQ(fakeTimerPeriod(dialog, IDT_PLAYBACK), 0u);
        EXPECT_EQ(fakeButtonImage(dialog, IDC_PLAY), IDB_PLAY);
        EXPECT_EQ(text(IDC_STATUS), stoppedText);
        EXPECT_EQ(playbackState.playing, 0);
        EXPECT_EQ(countdownActive, 0);
        EXPECT_EQ(playbackState.countdownLeft, 3);
    }
};

TEST_F(PlaybackTest, StartLocksTheWindowSavesSettingsAndPrimesSilence) {
    pressPlay();
    EXPECT_EQ(playbackState.playing, 1);
    EXPECT_EQ(countdownActive, 1);
    for (int id : lockedControls)
        EXPECT_EQ(fakeIsEnabled(dialog, id), 0) << "control " << id;
    EXPECT_EQ(fakeIsEnabled(dialog, IDC_PLAY), 1);
    EXPECT_EQ(fakeIsEnabled(dialog, IDC_EXIT), 1);
    EXPECT_EQ(fakeButtonImage(dialog, IDC_PLAY), IDB_STOP);
    EXPECT_EQ(text(IDC_STATUS), stoppedText); // untouched until the first tick
    EXPECT_EQ(fakeTimerPeriod(dialog, IDT_PLAYBACK), 1000u);
    EXPECT_TRUE(fakeMessageBoxes().empty());

    // the stream: the default device, 3 buffers of 250 ms, all silence
    EXPECT_EQ(fakeWaveOut.openedDevice, WAVE_MAPPER);
    EXPECT_EQ(fakeWaveOut.allocSize, 3u * 66150u);
    EXPECT_EQ(streamFormat.samplesPerSec, 132300u);
    EXPECT_EQ(streamFormat.avgBytesPerSec, 264600u);
    EXPECT_EQ(streamFormat.blockAlign, 2);
    EXPECT_EQ(streamFormat.bitsPerSample, 16);
    EXPECT_EQ(fakeWaveOut.queue.size(), 3u);
    EXPECT_EQ(queuedBuffersSilent(), 1);

    const std::vector<FakeRegistryWrite> &writes = fakeRegistryWrites();
    ASSERT_EQ(writes.size(), 2u);
    const char *names[] = {"vol", "sin_vol"};
    for (size_t i = 0; i < 2; i++) {
        EXPECT_EQ(writes[i].root, HKEY_CURRENT_USER);
        EXPECT_EQ(writes[i].keyPath, "Software\\Quillmark\\Humtone\\Setting");
        EXPECT_EQ(writes[i].name, names[i]);
        EXPECT_EQ(writes[i].value, 100);
    }
}

// The whole course of one playback, tick by tick.
TEST_F(PlaybackTest, CountdownThenTimeDisplayThenStop) {
    pressPlay();
    const char *countdown[] = {"再生まで 3秒", "再生まで 2秒", "再生まで 1秒"};
    for (const char *expected : countdown) {
        tick();
        EXPECT_EQ(text(IDC_STATUS), expected);
        EXPECT_EQ(countdownActive, 1);
        returnBuffers();
        EXPECT_EQ(queuedBuffersSilent(), 1); // silence while counting down
    }
    tick(); // the fourth tick ends the countdown and leaves the text
    EXPECT_EQ(text(IDC_STATUS), "再生まで 1秒");
    EXPECT_EQ(countdownActive, 0);
    EXPECT_EQ(playbackState.countdownLeft, 3);
    EXPECT_EQ(fakeTimerPeriod(dialog, IDT_PLAYBACK), 500u);

    returnBuffers(); // refilled from now on with the formula
    EXPECT_EQ(queuedBuffersSilent(), 0);
    EXPECT_EQ(text(IDC_STATUS), "再生まで 1秒");
    tick();
    char expected[128];
    snprintf(expected, sizeof expected, "再生中  t = %0.1fSec （0.5Sec毎に更新）", lastSampleTime);
    EXPECT_EQ(text(IDC_STATUS), expected);
    EXPECT_EQ(text(IDC_STATUS), "再生中  t = 0.7Sec （0.5Sec毎に更新）"); // three buffers of 0.25 s

    pressPlay(); // stop
    expectStopped();
    EXPECT_EQ(fakeWaveOut.resetCalls, 1);
    EXPECT_TRUE(fakeMessageBoxes().empty());
    fakeDeliverPosted(); // the end notice closes the device
    EXPECT_EQ(fakeWaveOut.closeCalls, 1);
    EXPECT_EQ(waveStream.device, nullptr);
}

TEST_F(PlaybackTest, TimeDisplayFormatsTheLatestSampleTime) {
    const struct {
        double time;
        const char *status;
    } cases[] = {
        {0.0, "再生中  t = 0.0Sec （0.5Sec毎に更新）"},
        {0.5, "再生中  t = 0.5Sec （0.5Sec毎に更新）"},
        {12.34, "再生中  t = 12.3Sec （0.5Sec毎に更新）"},
        {3599.96, "再生中  t = 3600.0Sec （0.5Sec毎に更新）"},
    };
    pressPlay();
    for (int i = 0; i < 4; i++)
        tick();
    for (auto c : cases) {
        lastSampleTime = c.time;
        tick();
        EXPECT_EQ(text(IDC_STATUS), c.status);
    }
}

TEST_F(PlaybackTest, StopDuringTheCountdownRestartsItFromThree) {
    pressPlay();
    tick();
    tick();
    EXPECT_EQ(text(IDC_STATUS), "再生まで 2秒");
    pressPlay();
    expectStopped();
    fakeDeliverPosted();
    EXPECT_EQ(waveStream.device, nullptr);

    pressPlay();
    EXPECT_EQ(text(IDC_STATUS), stoppedText);
    tick();
    EXPECT_EQ(text(IDC_STATUS), "再生まで 3秒");
    EXPECT_EQ(fakeRegistryWrites().size(), 4u); // saved at every start
}

TEST_F(PlaybackTest, FormulaErrorsShowTheirBoxAndStartNothing) {
    const struct {
        const char *formula;
        const char *message;
    } cases[] = {
        {"", emptyFormulaText},
        {"sin(440*t", badFormulaText},
        {"2+*3", badFormulaText},
        {"q(t)", badFormulaText},
    };
    for (auto c : cases) {
        TearDown();
        SetUp();
        setControlText(dialog, IDC_FORMULA, c.formula);
        pressPlay();
        ASSERT_EQ(fakeMessageBoxes().size(), 1u) << c.formula;
        EXPECT_EQ(fakeMessageBoxes()[0].text, c.message) << c.formula;
        EXPECT_EQ(fakeMessageBoxes()[0].caption, "Tonalix");
        EXPECT_EQ(fakeMessageBoxes()[0].flags, (unsigned)(MB_OK | MB_ICONERROR));
        EXPECT_EQ(fakeMessageBoxes()[0].owner, dialog);
        expectStopped();
        EXPECT_TRUE(fakeRegistryWrites().empty()) << c.formula;
        EXPECT_EQ(fakeWaveOut.openCalls, 0);
    }
}

// After the box, the formula box has the focus and the character where the
// formula was refused is selected, whichever stage refused it.
TEST_F(PlaybackTest, ARefusedFormulaShowsWhereInTheBox) {
    const struct {
        const char *formula;
        const char *selected;
    } cases[] = {
        {"sin(t)+2*-3", "-"}, {"(1+2))", ")"}, {"sin(t", "("}, {"1+", "+"}, {"sin(t)7", "7"}, {"t+é", "é"},
    };
    for (auto c : cases) {
        TearDown();
        SetUp();
        setControlText(dialog, IDC_FORMULA, c.formula);
        pressPlay();
        ASSERT_EQ(fakeMessageBoxes().size(), 1u) << c.formula;
        EXPECT_EQ(fakeMessageBoxes()[0].text, badFormulaText) << c.formula;
        EXPECT_EQ(fakeHasFocus(dialog, IDC_FORMULA), 1) << c.formula;
        EXPECT_EQ(fakeSelectedText(dialog, IDC_FORMULA), c.selected) << c.formula;
        EXPECT_EQ(fakeText(controlOf(dialog, IDC_FORMULA)), c.formula);
    }
}

// A formula that fills 255 bytes or more is read with 255 of them.
TEST_F(PlaybackTest, FormulaIsReadWithAtMost255Bytes) {
    std::string formula = "1" + std::string(254, ' ') + "+"; // cut just before the dangling operator
    setControlText(dialog, IDC_FORMULA, formula.c_str());
    pressPlay();
    EXPECT_TRUE(fakeMessageBoxes().empty());
    EXPECT_EQ(playbackState.playing, 1);
}

// The sound device refusing to open leaves the window stopped and says so.
TEST_F(PlaybackTest, DeviceThatWillNotOpenLeavesTheWindowStopped) {
    const WaveResult failures[] = {WaveErrorAllocated, WaveErrorBadFormat, WaveErrorGeneric};
    for (WaveResult failure : failures) {
        TearDown();
        SetUp();
        fakeWaveOut.openResult = failure;
        pressPlay();
        ASSERT_EQ(fakeMessageBoxes().size(), 1u);
        EXPECT_EQ(fakeMessageBoxes()[0].text, deviceFailedText);
        EXPECT_EQ(fakeMessageBoxes()[0].caption, "Tonalix");
        EXPECT_EQ(fakeMessageBoxes()[0].flags, (unsigned)(MB_OK | MB_ICONERROR));
        expectStopped();
        EXPECT_EQ(fakeWaveOut.writeCalls, 0);

        // once the device is back, the next press starts normally
        fakeWaveOut.openResult = WaveOk;
        pressPlay();
        EXPECT_EQ(playbackState.playing, 1);
        tick();
        EXPECT_EQ(text(IDC_STATUS), "再生まで 3秒");
    }
}

// A device lost during the countdown or while playing stops the window as
// Stop does, closes the device, then says so; the next press plays again.
TEST_F(PlaybackTest, ALostDeviceStopsTheWindowAndSaysSo) {
    const struct {
        const char *when;
        int ticks;
    } cases[] = {{"counting down", 2}, {"playing", 6}};
    for (const auto &c : cases) {
        TearDown();
        SetUp();
        pressPlay();
        for (int i = 0; i < c.ticks; i++) {
            tick();
            returnBuffers();
        }
        fakeWaveLoseDevice();
        fakeDeliverPosted();
        expectStopped();
        EXPECT_EQ(waveStream.device, nullptr) << c.when;
        EXPECT_EQ(fakeWaveOut.open, 0) << c.when;
        ASSERT_EQ(fakeMessageBoxes().size(), 1u) << c.when;
        EXPECT_EQ(fakeMessageBoxes()[0].text, deviceLostText);
        EXPECT_EQ(fakeMessageBoxes()[0].caption, "Tonalix");
        EXPECT_EQ(fakeMessageBoxes()[0].flags, (unsigned)(MB_OK | MB_ICONERROR));

        pressPlay();
        EXPECT_EQ(playbackState.playing, 1) << c.when;
        EXPECT_EQ(fakeWaveOut.queue.size(), 3u) << c.when;
    }
}

// A loss that comes after Stop was pressed is not reported.
TEST_F(PlaybackTest, ALossAfterStopSaysNothing) {
    pressPlay();
    pressPlay();
    fakeWaveLoseDevice();
    fakeDeliverPosted();
    expectStopped();
    EXPECT_TRUE(fakeMessageBoxes().empty());
}

TEST_F(PlaybackTest, SettingsFollowTheListsAtEachStart) {
    const struct {
        int volumeIndex, sineIndex;
        int32_t vol, sinVol;
    } cases[] = {{63, 0, 37, 100}, {0, 100, 100, 0}, {100, 45, 0, 55}};
    for (auto c : cases) {
        fakePick(dialog, IDC_VOLUME_LIST, c.volumeIndex);
        fakePick(dialog, IDC_SINE_AMPLITUDE, c.sineIndex);
        pressPlay();
        int32_t vol = -1, sinVol = -1;
        EXPECT_EQ(fakeRegistryValue("Software\\Quillmark\\Humtone\\Setting", "vol", &vol), 1);
        EXPECT_EQ(fakeRegistryValue("Software\\Quillmark\\Humtone\\Setting", "sin_vol", &sinVol), 1);
        EXPECT_EQ(vol, c.vol);
        EXPECT_EQ(sinVol, c.sinVol);
        pressPlay();
        fakeDeliverPosted();
    }
}

TEST_F(PlaybackTest, VolumeCannotChangeWhilePlaying) {
    pressPlay();
    EXPECT_EQ(fakePick(dialog, IDC_VOLUME_LIST, 50), 0);
    EXPECT_EQ(fakeScroll(dialog, IDC_VOLUME_TRACKBAR, TB_BOTTOM, 100), 0);
    EXPECT_EQ(text(IDC_VOLUME_LIST), "100");
}

// Assignments in the formula take effect once before the stream starts; t
// starts from 0 for every playback.
TEST_F(PlaybackTest, FormulaRunsOnceBeforeTheStreamAndTStartsAtZero) {
    setControlText(dialog, IDC_FORMULA, "(k=k+1)*0");
    setVariable(10, 0.0);
    pressPlay();
    EXPECT_EQ(getVariable(10), 1.0); // the one evaluation at start; silence does not evaluate
    EXPECT_EQ(getVariable(19), 0.0);
    for (int i = 0; i < 4; i++)
        tick();
    returnBuffers();
    EXPECT_GT(getVariable(19), 0.0);
    pressPlay();
    fakeDeliverPosted();
    pressPlay();
    EXPECT_EQ(getVariable(19), 0.0);
}

} // namespace
