// The drawing helpers of the renderer's pictures (cairo): boxes, colours,
// text, lines and tick labels, and a picture written to an output as PNG or
// SVG.
#pragma once

#include <cairo.h>

#include <string>

#include "tools/render/common/output.h"

struct Box {
    double x, y, w, h;
};

struct Colour {
    double r, g, b, a;
};

// A picture on its way to an output.
struct Picture {
    cairo_surface_t *surface;
    cairo_t *cr;
    RenderOutput *output;
    int svg; // 1: SVG, written as it is drawn; else PNG, written at the end
};

// Returns 1 when path names an SVG picture (it ends in .svg, in any case).
int isSvgPath(const char *path);
// Makes colour cr's source.  Returns nothing.
void useColour(cairo_t *cr, const Colour &colour);
// Shows text with its left edge, centre or right edge (across 0, 0.5 or 1)
// at x and the middle of the font's height at y.  Returns nothing.
void showText(cairo_t *cr, const std::string &text, double x, double y, double across);
// Shows text turned a quarter left, centred at x, y.  Returns nothing.
void showUpright(cairo_t *cr, const std::string &text, double x, double y);
// Returns text, cut and ended with an ellipsis where it is wider than width
// in cr's font.  Changes nothing.
std::string fitted(cairo_t *cr, const std::string &text, double width);
// Draws a line from x0, y0 to x1, y1 in colour, width wide.  Returns nothing.
void line(cairo_t *cr, double x0, double y0, double x1, double y1, const Colour &colour, double width);
// Returns value as a tick label with decimals places, a true minus sign
// before a negative one and none before a value that rounds to zero.
std::string tickLabel(double value, int decimals);

// Starts a width x height picture for output, SVG (in pixels) when svg,
// else PNG, painted with paper and with the sans-serif face chosen.  Returns
// nothing: a failure shows when the picture is finished.
void startPicture(Picture *picture, RenderOutput *output, int width, int height, int svg, const Colour &paper);
// Ends picture and writes what is left of it to its output, which it then
// finishes.  Returns 1, or 0 after one message (the output is abandoned).
int finishPicture(Picture *picture);
