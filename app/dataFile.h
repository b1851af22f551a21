// The waveform data-file option: capture of the first samples into a text
// file, or a file of samples checked and read before playback.
#pragma once

#include "app/window.h"

// Prepares the option when its check box is ticked at Play: sets
// sampleCapture's count and mode and allocates its samples.  Returns 1 when
// ready, 0 after its own message.
int checkDataFileOption(Window window);
// Writes the captured samples at stop and releases them.  Returns 0 when the
// file cannot be opened for writing (the samples are kept), else 1.
int writeDataFile();
// Releases sampleCapture's samples, if any, and sets the pointer to null.
void releaseCaptureSamples();
// Lets the user choose the data file and puts its path into the path box.
// Returns 1 when a file was chosen, else 0.
int chooseDataFile(Window window);
