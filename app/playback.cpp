// Playback control: the start and stop sequences, the countdown and the
// time display, the locked controls and the saved settings.
#include "app/playback.h"

#include <cstdio>
#include <cstring>

#include "app/dataFile.h"
#include "audio/synthesis.h"
#include "audio/waveStream.h"
#include "formula/formula.h"
#include "platform/system.h"
#include "res/resource.h"
#include "res/strings.h"
#include "ui/waveformBuilder.h"
#include "window/windowHelpers.h"

PlaybackState playbackState = {0, countdownSteps};

namespace {

const int formulaTextSize =
    maxFormulaLength + 1; // the formula box is read with at most 255 bytes, as the builder checks

// The input controls locked while playing, in the order they are switched.
const int panelControls[] = {
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

// The settings saved at every start: value name and the list it comes from.
const struct {
    const char *name;
    int list;
} savedSettings[] = {
    {"vol", IDC_VOLUME_LIST},
    {"sin_vol", IDC_SINE_AMPLITUDE},
};

// Undoes the locking and the countdown of a start that could not open the
// device, tells the user, and leaves the window stopped.
void abandonStart(Window window) {
    setPanelEnabled(window, 1);
    stopTimer(window, IDT_PLAYBACK);
    countdownActive = 0;
    playbackState.countdownLeft = countdownSteps;
    releaseCaptureSamples();
    setControlText(window, IDC_STATUS, statusStoppedText);
    showError(window, soundDeviceFailedText, appCaption);
}

} // namespace

void resetPlaybackState() {
    playbackState.playing = 0;
    playbackState.countdownLeft = countdownSteps;
    countdownActive = 0;
}

// Gives the formula box the keyboard focus and selects the character of
// `formula` (its text) where the compilation stopped: all the bytes of a
// multi-byte character, or the caret at the end when it stopped there.
// Changes nothing else.
namespace {

void showRefusedCharacter(Window window, const char *formula) {
    const unsigned length = (unsigned)std::strlen(formula);
    unsigned first = lastCompileStop().offset, last = first;
    if (first < length) last = first + 1;
    while (last < length && ((unsigned char)formula[last] & 0xC0) == 0x80) // continuation bytes
        ++last;
    setControlFocus(window, IDC_FORMULA);
    selectControlText(window, IDC_FORMULA, first, last);
}

} // namespace

int togglePlayback(Window window) {
    return playbackState.playing ? stopPlayback(window) != 0 : startPlayback(window) != 0;
}

int startPlayback(Window window) {
    sampleCapture.index = 0;
    if (!isChecked(window, IDC_DATA_OPTION))
        sampleCapture.mode = CaptureOff;
    else if (!checkDataFileOption(window))
        return 0; // it has shown its own message

    char formula[formulaTextSize];
    getControlText(window, IDC_FORMULA, formula, formulaTextSize);
    if (!formula[0]) {
        showError(window, formulaEmptyText, appCaption);
        releaseCaptureSamples(); // a start that ends here keeps no capture array
        return 0;
    }
    if (compileFormula(formula) != 0) {
        showError(window, formulaInvalidText, appCaption);
        showRefusedCharacter(window, formula);
        releaseCaptureSamples();
        return 0;
    }
    // One evaluation before the stream exists: assignments the formula makes
    // to variables take effect now; the value itself is not needed.
    (void)evaluateFormula();
    if (!setPlaybackFormat(formula)) {
        releaseCaptureSamples();
        return 0;
    }

    setPanelEnabled(window, 0);
    saveSettings(window);
    countdownActive = 1;
    startTimer(window, IDT_PLAYBACK, countdownPeriodMs);
    if (!openStream(0, playBufferCount, playBufferMilliseconds)) {
        abandonStart(window);
        return 0;
    }
    startStream();
    setButtonBitmap(nullptr, window, IDC_PLAY, IDB_STOP);
    playbackState.playing = 1;
    return 1;
}

int stopPlayback(Window window) {
    setPanelEnabled(window, 1);
    stopStream();
    stopTimer(window, IDT_PLAYBACK);
    setControlText(window, IDC_STATUS, statusStoppedText);
    if (sampleCapture.mode == CaptureRead) {
        releaseCaptureSamples();
    } else if (sampleCapture.mode == CaptureRecord) {
        if (!writeDataFile(window)) return 0; // playing stays 1: the next press retries
    }
    playbackState.playing = 0;
    countdownActive = 0;
    playbackState.countdownLeft = countdownSteps;
    setButtonBitmap(nullptr, window, IDC_PLAY, IDB_PLAY);
    return 1;
}

int onDeviceLost(Window window) {
    if (!playbackState.playing) return 0; // a stop came first: nothing to tell
    // The stop sequence as the button runs it (the capture is written), so
    // the window is stopped before the box appears.
    stopPlayback(window);
    showError(window, soundDeviceLostText, appCaption);
    return 1;
}

void onTimer(Window window) {
    char text[128];
    if (countdownActive == 1) {
        if (playbackState.countdownLeft != 0) {
            snprintf(text, sizeof text, statusCountdownFormat, (int)playbackState.countdownLeft);
            setControlText(window, IDC_STATUS, text);
            playbackState.countdownLeft--;
        } else {
            // the countdown is over: the generator plays the formula from the
            // next buffer on, and the display shows the time twice a second
            countdownActive = 0;
            playbackState.countdownLeft = countdownSteps;
            startTimer(window, IDT_PLAYBACK, timeDisplayPeriodMs);
        }
        return;
    }
    snprintf(text, sizeof text, statusPlayingFormat, lastSampleTime);
    setControlText(window, IDC_STATUS, text);
}

int setPanelEnabled(Window window, int enable) {
    for (int id : panelControls)
        enableControl(window, id, enable);
    return 1;
}

int saveSettings(Window window) {
    for (const auto &setting : savedSettings) {
        char text[resourceTextSize];
        getControlText(window, setting.list, text, resourceTextSize);
        if (text[0]) writeRegistryDword(HKEY_CURRENT_USER, SETTINGS_KEY, setting.name, leadingInteger(text));
    }
    return 1;
}
