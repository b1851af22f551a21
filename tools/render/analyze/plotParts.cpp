// The panels' shared pieces: see plotParts.h.
//
// Every size is derived from one font size, itself from the picture's
// size, so a small picture is a smaller copy of a large one.
#include "tools/render/analyze/plotParts.h"

#include <cmath>

PlotLayout layoutFor(int width, int height, unsigned lanes) {
    PlotLayout l;
    l.font = std::fmin(width / 80.0, height / 54.0);
    l.font = std::fmax(7.0, std::fmin(15.0, l.font));
    double left = std::round(l.font * 6.0), right = std::round(l.font * 2.0);
    double top = std::round(l.font * 3.4), axis = std::round(l.font * 3.6), gap = std::round(l.font * 0.8);
    double room = height - top - 2 * axis - gap;
    double wave = lanes > 2 ? std::floor(room * 0.6) : std::floor(room / 2);
    double spectrum = lanes > 2 ? std::floor(room - wave) : wave;
    l.wave = {left, top, width - left - right, wave};
    l.spectrum = {left, top + wave + axis + gap, width - left - right, spectrum};
    return l;
}

Box laneBox(const PlotLayout &l, unsigned lane, unsigned lanes) {
    if (lanes < 2) return l.wave;
    // The gaps give way to the lanes in a low panel.
    double gap = std::fmin(std::round(l.font * 0.5), std::floor(l.wave.h / lanes / 5));
    double each = std::floor((l.wave.h - gap * (lanes - 1)) / lanes);
    return {l.wave.x, l.wave.y + lane * (each + gap), l.wave.w, each};
}

double niceStep(double range, double count) {
    double raw = range / (count < 1 ? 1 : count);
    double magnitude = std::pow(10, std::floor(std::log10(raw)));
    double normal = raw / magnitude;
    return (normal <= 1 ? 1 : normal <= 2 ? 2 : normal <= 5 ? 5 : 10) * magnitude;
}

void panelPaperOf(cairo_t *cr, const Box &b) {
    useColour(cr, panelPaper);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_fill(cr);
}

void panelFrame(cairo_t *cr, const Box &b) {
    useColour(cr, frameInk);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, b.x + 0.5, b.y + 0.5, b.w - 1, b.h - 1);
    cairo_stroke(cr);
}

void valueTick(cairo_t *cr, const PlotLayout &l, const Box &b, double y, const std::string &label, const Colour &grid) {
    y = std::round(y) + 0.5;
    line(cr, b.x, y, b.x + b.w, y, grid, 1);
    line(cr, b.x - l.font * 0.4, y, b.x, y, frameInk, 1);
    useColour(cr, ink);
    showText(cr, label, b.x - l.font * 0.7, y, 1);
}

void timeTick(cairo_t *cr, const PlotLayout &l, const Box &b, double x, const std::string &label, const Colour &grid) {
    x = std::round(x) + 0.5;
    line(cr, x, b.y, x, b.y + b.h, grid, 1);
    line(cr, x, b.y + b.h, x, b.y + b.h + l.font * (label.empty() ? 0.25 : 0.4), frameInk, 1);
    if (label.empty()) return;
    useColour(cr, ink);
    showText(cr, label, x, b.y + b.h + l.font * 1.2, 0.5);
}

void axisTitles(cairo_t *cr, const PlotLayout &l, const Box &b, const char *across, const char *up) {
    useColour(cr, quietInk);
    showText(cr, across, b.x + b.w / 2, b.y + b.h + l.font * 2.7, 0.5);
    showUpright(cr, up, b.x - l.font * 4.6, b.y + b.h / 2);
}
