// The spectrum panel of --plot's picture: dBFS against a logarithmic
// frequency axis from 10 Hz to half the sample rate.
#pragma once

#include <cairo.h>

#include "tools/render/analyze/plotParts.h"
#include "tools/render/common/spectrum.h"

// Draws the spectrum panel of l: the scales and the levels of s, filled
// below.  Returns nothing.
void drawSpectrumPanel(cairo_t *cr, const PlotLayout &l, const Spectrum &s);
