// A main window on the in-memory window layer, with the scripted sound
// device, for the tests of the dialog and of playback.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/mainDialog.h"
#include "app/playback.h"
#include "audio/synthesis.h"
#include "audio/waveStream.h"
#include "res/resource.h"
#include "tests/fakes/fakeSystem.h"
#include "tests/fakes/fakeWaveOut.h"
#include "tests/fakes/fakeWindow.h"

// The 27 controls locked while playing.
inline const int lockedControls[] = {
    IDC_FORMULA,
    IDC_APPLY,
    IDC_SINE_CHECK,
    IDC_SQUARE_CHECK,
    IDC_SAWTOOTH_CHECK,
    IDC_TRIANGLE_CHECK,
    IDC_OFFSET_CHECK,
    IDC_SINE_AMPLITUDE,
    IDC_SQUARE_AMPLITUDE,
    IDC_SAWTOOTH_AMPLITUDE,
    IDC_TRIANGLE_AMPLITUDE,
    IDC_OFFSET_AMPLITUDE,
    IDC_SINE_FREQUENCY,
    IDC_SQUARE_FREQUENCY,
    IDC_SAWTOOTH_FREQUENCY,
    IDC_TRIANGLE_FREQUENCY,
    IDC_SINE_PHASE,
    IDC_SQUARE_PHASE,
    IDC_SAWTOOTH_PHASE,
    IDC_TRIANGLE_PHASE,
    IDC_VOLUME_TRACKBAR,
    IDC_VOLUME_LIST,
    IDC_DATA_OPTION,
    IDC_DATA_DIRECTION,
    IDC_DATA_COUNT,
    IDC_CHOOSE_FILE,
    IDC_DATA_PATH,
};

inline const char *const stoppedText = "現在停止中";

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakeResetWindows();
        fakeResetSystem();
        resetFakeWaveOut();
        waveStream = WaveStream();
        sampleCapture = SampleCapture();
        volumeTrackbar = nullptr;
        resetPlaybackState();
        dialog = fakeOpenDialog(IDD_MAIN, nullptr, mainDialogProc);
        ASSERT_NE(dialog, nullptr);
    }

    void TearDown() override {
        // let a stream still running end and close, so the next test starts clean
        if (waveStream.streaming) stopStream();
        fakeDeliverPosted();
        if (waveStream.device) closeStream();
        fakeResetWindows();
        resetFakeWaveOut();
    }

    // Returns the text of control id.
    std::string text(int id) {
        char buffer[512];
        getControlText(dialog, id, buffer, sizeof buffer);
        return buffer;
    }

    // Presses Play/Stop.
    void pressPlay() { ASSERT_EQ(fakeClick(dialog, IDC_PLAY), 1); }

    // Fires the playback timer once; fails when it is not running.
    void tick() { ASSERT_EQ(fakeFireTimer(dialog, IDT_PLAYBACK), 1); }

    // Hands every queued buffer back once and delivers what that posts.
    void returnBuffers() {
        int queued = (int)fakeWaveOut.queue.size();
        for (int i = 0; i < queued; i++) {
            fakeWaveReturnNext();
            fakeDeliverPosted();
        }
    }

    // Returns 1 when every sample of the buffers queued on the device is 0.
    int queuedBuffersSilent() {
        for (WaveHeader *header : fakeWaveOut.queue) {
            const int16_t *samples = (const int16_t *)header->lpData;
            for (uint32_t i = 0; i < header->dwBufferLength / 2; i++)
                if (samples[i] != 0) return 0;
        }
        return 1;
    }

    Window dialog = nullptr;
};
