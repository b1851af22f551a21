// The pieces the panels of --plot's picture share: the layout, the colours,
// a panel's paper and frame, its ticks and its axis titles.
#pragma once

#include <cairo.h>

#include <string>

#include "audio/channels.h"
#include "tools/render/common/drawing.h"

struct PlotLayout {
    double font; // the tick labels' size; every other size follows from it
    Box wave, spectrum;
};

// clang-format off
const Colour paper       = {1.00, 1.00, 1.00, 1.00};
const Colour panelPaper  = {0.98, 0.985, 0.99, 1.00};
const Colour ink         = {0.14, 0.16, 0.20, 1.00};
const Colour quietInk    = {0.40, 0.43, 0.48, 1.00};
const Colour frameInk    = {0.55, 0.58, 0.63, 1.00};
const Colour majorGrid   = {0.85, 0.87, 0.90, 1.00};
const Colour minorGrid   = {0.92, 0.93, 0.95, 1.00};
const Colour zeroLine    = {0.62, 0.65, 0.70, 1.00};
// clang-format on

// The inks of the channels of a picture of several, in channel order.
// clang-format off
static const Colour channelInks[] = {
    {0.10, 0.36, 0.74, 1.00}, // blue
    {0.85, 0.37, 0.01, 1.00}, // orange
    {0.12, 0.55, 0.24, 1.00}, // green
    {0.80, 0.12, 0.45, 1.00}, // magenta
    {0.00, 0.55, 0.62, 1.00}, // teal
    {0.62, 0.47, 0.00, 1.00}, // ochre
    {0.45, 0.28, 0.18, 1.00}, // brown
    {0.33, 0.37, 0.45, 1.00}, // slate
};
// clang-format on
static_assert(sizeof channelInks / sizeof channelInks[0] == maxChannels, "an ink for every channel");

// Returns the layout of a width x height picture whose waveform panel holds
// lanes lanes, its boxes on whole pixels: the panels share the height, the
// waveform's a larger part of it for more than two lanes.
PlotLayout layoutFor(int width, int height, unsigned lanes);
// Returns the box of lane (from 0) of the lanes of l's waveform panel,
// stacked from the top; one lane is the whole panel.
Box laneBox(const PlotLayout &l, unsigned lane, unsigned lanes);
// Returns a step of 1, 2 or 5 times a power of ten that cuts range into at
// most about count parts.
double niceStep(double range, double count);
// Draws a panel's paper; its frame (panelFrame) comes last, over what it
// holds.  Returns nothing.
void panelPaperOf(cairo_t *cr, const Box &b);
// Draws a panel's frame.  Returns nothing.
void panelFrame(cairo_t *cr, const Box &b);
// Draws a horizontal tick with its grid line and label at height y of b.
// Returns nothing.
void valueTick(cairo_t *cr, const PlotLayout &l, const Box &b, double y, const std::string &label, const Colour &grid);
// Draws a vertical tick with its grid line at x of b, and its label when
// one is given.  Returns nothing.
void timeTick(cairo_t *cr, const PlotLayout &l, const Box &b, double x, const std::string &label, const Colour &grid);
// Draws the axis titles of b: under it and, turned, left of it.  Returns
// nothing.
void axisTitles(cairo_t *cr, const PlotLayout &l, const Box &b, const char *across, const char *up);
