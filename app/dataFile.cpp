// The waveform data-file option.  Its controls are hidden, so for now the
// option stays off: nothing is captured, read or written.
#include "app/dataFile.h"

#include <cstdlib>

#include "audio/synthesis.h"

int checkDataFileOption(Window window) {
    (void)window;
    sampleCapture.mode = CaptureOff;
    return 1;
}

int writeDataFile() { return 1; }

void releaseCaptureSamples() {
    // the capture array comes from malloc
    free(sampleCapture.samples);
    sampleCapture.samples = nullptr;
}

int chooseDataFile(Window window) {
    (void)window;
    return 0;
}
