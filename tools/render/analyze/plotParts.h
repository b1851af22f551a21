// The pieces the panels of --plot's picture share: the layout, the colours,
// a panel's paper and frame, its ticks and its axis titles.
#pragma once

#include <cairo.h>

#include <string>

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

// Returns the layout of a width x height picture, its boxes on whole pixels.
PlotLayout layoutFor(int width, int height);
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
