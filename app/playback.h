// Playback control: what the Play/Stop button does, the countdown and the
// time display on the status line, the locked controls and the saved
// settings.
#pragma once

#include <cstdint>

#include "platform/window.h"

// The playback state.  Its third field, countdownActive (1 while the
// countdown runs), is shared with the sample generator and lives beside it
// in audio/synthesis.h, so that both read one flag.
struct PlaybackState {
    int32_t playing;       // 1 from a successful start until a successful stop
    int32_t countdownLeft; // countdown steps still to show
};

extern PlaybackState playbackState; // the one playback state of the process

const unsigned countdownPeriodMs = 1000;  // timer period while counting down
const unsigned timeDisplayPeriodMs = 500; // timer period while playing
const int32_t countdownSteps = 3;         // countdownLeft at rest

// The settings key and its values.
#define SETTINGS_KEY "Software\\Quillmark\\Humtone\\Setting"

// Puts the playback state at rest (countdownActive too).
void resetPlaybackState();
// Stops when playing, else starts.  Returns 1 when the operation it ran
// returned nonzero, else 0.
int togglePlayback(Window window);
// Runs the start sequence.  Returns 1 when playback has started, else 0
// (after an error box where the user can act on it).
int startPlayback(Window window);
// Runs the stop sequence.  Returns 1 when the stop is complete, 0 when the
// captured samples could not be written (playing stays 1 for a retry).
int stopPlayback(Window window);
// The stream's notice that the device was lost: while playing, runs the stop
// sequence and then tells the user.  Returns 1 when it ran, else 0.
int onDeviceLost(Window window);
// Advances the countdown or refreshes the time display; called for every
// WM_TIMER of the main dialog.
void onTimer(Window window);
// Enables (1) or disables (0) the 27 input controls.  Returns 1.
int setPanelEnabled(Window window, int enable);
// Writes the master volume and the sine amplitude to the settings.  Returns 1.
int saveSettings(Window window);
