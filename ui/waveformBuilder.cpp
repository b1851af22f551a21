// The waveform builder.  Not built yet: the apply button does nothing.
#include "ui/waveformBuilder.h"

int composeFormula(Window window) {
    (void)window;
    return 0;
}
