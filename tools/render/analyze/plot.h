// The picture of --plot: the waveform of a span against time and its
// magnitude spectrum, as PNG or SVG (cairo).
#pragma once

#include <cstdint>

#include "tools/render/analyze/waveform.h"
#include "tools/render/common/output.h"
#include "tools/render/common/spectrum.h"

const int smallestPlotWidth = 200, smallestPlotHeight = 150, largestPlotSide = 10000;

struct PlotRequest {
    const char *title; // the formula, or the formulas of several channels
    unsigned channels; // 1 to maxChannels
    int width, height; // pixels
    int svg;           // 1: SVG, else PNG
    uint64_t start;    // the span's first sample, counted from t = 0
    uint64_t span;     // its samples
    uint64_t clipped;  // samples limited to -1..1, of every channel
    uint64_t failed;   // samples where a formula failed, of every channel
};

// Returns the pixel columns of the waveform panel of a width x height
// picture.  Changes nothing.
int plotColumns(int width, int height);
// Draws the picture of the waveforms and spectra of request.channels
// channels, one lane of the waveform panel each and their spectra over each
// other, and writes it to output, which it then finishes.  Returns 1, or 0
// after a message (the output is abandoned).
int drawPlot(RenderOutput *output, const PlotRequest &request, const Waveform *waveforms, const Spectrum *spectra);
