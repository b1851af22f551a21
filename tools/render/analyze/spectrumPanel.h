// The spectrum panel of --plot's picture: dBFS against a logarithmic
// frequency axis from 10 Hz to half the sample rate.
#pragma once

#include <cairo.h>

#include "tools/render/analyze/plotParts.h"
#include "tools/render/common/spectrum.h"

// Draws the spectrum panel of l: the scales and the levels of count spectra
// (1 to maxChannels), one a channel; one filled below, several as lines in
// the channels' inks with a legend.  Returns nothing.
void drawSpectrumPanel(cairo_t *cr, const PlotLayout &l, const Spectrum *spectra, unsigned count);
