// The picture of --plot: see plot.h.
//
// Two panels share the picture's width under a title: the waveform, the
// played values against the formula's time in ms, and the spectrum, dBFS
// against a logarithmic frequency axis from 10 Hz to half the sample rate.
// Every size is derived from one font size, itself from the picture's
// size, so a small picture is a smaller copy of a large one.
#include "tools/render/analyze/plot.h"

#include <cairo.h>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "tools/render/common/drawing.h"
#include "tools/render/common/signal.h"

namespace {

struct Layout {
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
const Colour waveInk     = {0.10, 0.36, 0.74, 1.00};
const Colour spectrumInk = {0.80, 0.32, 0.08, 1.00};
const Colour spectrumFill= {0.80, 0.32, 0.08, 0.14};
const Colour clippedBand = {0.86, 0.14, 0.14, 0.18};
const Colour failedBand  = {0.52, 0.22, 0.84, 0.22};
// clang-format on

const double topDbfs = 10, bottomDbfs = -140; // a square wave's fundamental is +2.1 dBFS
const double waveTop = 1.1;                   // the waveform's scale runs from -1.1 to 1.1
const double lowestHz = 10;

// Returns the layout of a width x height picture, its boxes on whole pixels.
Layout layoutFor(int width, int height) {
    Layout l;
    l.font = std::fmin(width / 80.0, height / 54.0);
    l.font = std::fmax(7.0, std::fmin(15.0, l.font));
    double left = std::round(l.font * 6.0), right = std::round(l.font * 2.0);
    double top = std::round(l.font * 3.4), axis = std::round(l.font * 3.6), gap = std::round(l.font * 0.8);
    double each = std::floor((height - top - 2 * axis - gap) / 2);
    l.wave = {left, top, width - left - right, each};
    l.spectrum = {left, top + each + axis + gap, width - left - right, each};
    return l;
}

// Returns a step of 1, 2 or 5 times a power of ten that cuts range into at
// most about count parts.
double niceStep(double range, double count) {
    double raw = range / (count < 1 ? 1 : count);
    double magnitude = std::pow(10, std::floor(std::log10(raw)));
    double normal = raw / magnitude;
    return (normal <= 1 ? 1 : normal <= 2 ? 2 : normal <= 5 ? 5 : 10) * magnitude;
}

// Draws a panel's paper; its frame (panelFrame) comes last, over what it
// holds.
void panelPaperOf(cairo_t *cr, const Box &b) {
    useColour(cr, panelPaper);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_fill(cr);
}

// Draws a panel's frame.
void panelFrame(cairo_t *cr, const Box &b) {
    useColour(cr, frameInk);
    cairo_set_line_width(cr, 1);
    cairo_rectangle(cr, b.x + 0.5, b.y + 0.5, b.w - 1, b.h - 1);
    cairo_stroke(cr);
}

// Draws a horizontal tick with its grid line and label at height y of b.
void valueTick(cairo_t *cr, const Layout &l, const Box &b, double y, const std::string &label, const Colour &grid) {
    y = std::round(y) + 0.5;
    line(cr, b.x, y, b.x + b.w, y, grid, 1);
    line(cr, b.x - l.font * 0.4, y, b.x, y, frameInk, 1);
    useColour(cr, ink);
    showText(cr, label, b.x - l.font * 0.7, y, 1);
}

// Draws a vertical tick with its grid line at x of b, and its label when
// one is given.
void timeTick(cairo_t *cr, const Layout &l, const Box &b, double x, const std::string &label, const Colour &grid) {
    x = std::round(x) + 0.5;
    line(cr, x, b.y, x, b.y + b.h, grid, 1);
    line(cr, x, b.y + b.h, x, b.y + b.h + l.font * (label.empty() ? 0.25 : 0.4), frameInk, 1);
    if (label.empty()) return;
    useColour(cr, ink);
    showText(cr, label, x, b.y + b.h + l.font * 1.2, 0.5);
}

// Draws the axis titles of b: under it and, turned, left of it.
void axisTitles(cairo_t *cr, const Layout &l, const Box &b, const char *across, const char *up) {
    useColour(cr, quietInk);
    showText(cr, across, b.x + b.w / 2, b.y + b.h + l.font * 2.7, 0.5);
    showUpright(cr, up, b.x - l.font * 4.6, b.y + b.h / 2);
}

// Shades the stretches from x0 to x1 (pixels of b) where an event was.
void band(cairo_t *cr, const Box &b, double x0, double x1, const Colour &colour) {
    useColour(cr, colour);
    cairo_rectangle(cr, x0, b.y, std::fmax(x1 - x0, 1.0), b.h);
    cairo_fill(cr);
}

// Shades, for each event of mask, the runs of points that have it; point i
// covers x from x(i) to x(i + 1).
template <typename XOf>
void eventBands(cairo_t *cr, const Box &b, const std::vector<unsigned char> &events, unsigned char mask,
                const Colour &colour, XOf xOf) {
    size_t n = events.size();
    for (size_t i = 0; i < n;) {
        if (!(events[i] & mask)) {
            i++;
            continue;
        }
        size_t j = i;
        while (j < n && (events[j] & mask))
            j++;
        band(cr, b, xOf(i), xOf(j), colour);
        i = j;
    }
}

// Returns the legend entry of count samples that were what: with the count
// when long, else the word alone.
std::string legendText(uint64_t count, const char *what, int longForm) {
    if (!longForm) return what;
    return std::to_string((unsigned long long)count) + (count == 1 ? " sample " : " samples ") + what;
}

// Draws the legend of the waveform's bands under its right end, on the line
// of its axis title, from the right: with the counts where they fit in room,
// else without.  Returns 1 when it fits in room.
int bandLegend(cairo_t *cr, const Layout &l, const Box &b, const PlotRequest &r, double room) {
    struct Entry {
        uint64_t count;
        const char *what;
        const Colour *colour;
    } entries[] = {{r.failed, "failed", &failedBand}, {r.clipped, "clipped", &clippedBand}};
    cairo_set_font_size(cr, l.font);
    int longForm = 1;
    double width = 0;
    for (longForm = 1; longForm >= 0; longForm--) {
        width = 0;
        for (const Entry &e : entries) {
            if (!e.count) continue;
            cairo_text_extents_t ext;
            cairo_text_extents(cr, legendText(e.count, e.what, longForm).c_str(), &ext);
            width += ext.x_advance + l.font * 2.6;
        }
        if (width <= room) break;
    }
    if (longForm < 0) longForm = 0;
    double x = b.x + b.w, y = b.y + b.h + l.font * 2.7;
    for (const Entry &e : entries) {
        if (!e.count) continue;
        std::string text = legendText(e.count, e.what, longForm);
        cairo_text_extents_t ext;
        cairo_text_extents(cr, text.c_str(), &ext);
        useColour(cr, ink);
        showText(cr, text, x, y, 1);
        Colour swatch = *e.colour;
        swatch.a = 0.6;
        useColour(cr, swatch);
        cairo_rectangle(cr, x - ext.x_advance - l.font * 1.3, y - l.font * 0.45, l.font * 0.9, l.font * 0.9);
        cairo_fill(cr);
        x -= ext.x_advance + l.font * 2.6;
    }
    return width <= room;
}

// Draws the waveform panel: the bands of clipped and failed samples, the
// scales, the samples and the bands' legend.
void drawWaveform(cairo_t *cr, const Layout &l, const PlotRequest &r, const Waveform &w) {
    const Box &b = l.wave;
    const double spanMs = (double)r.span * 1000.0 / renderRate, startMs = (double)r.start * 1000.0 / renderRate;
    const auto yOf = [&](double v) { return b.y + b.h / 2 - v / waveTop * (b.h / 2); };
    panelPaperOf(cr, b);
    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_clip(cr);
    if (w.lines) {
        const auto xOf = [&](size_t i) { return b.x + (double)i / (double)r.span * b.w; };
        eventBands(cr, b, w.events, SampleClipped, clippedBand, xOf);
        eventBands(cr, b, w.events, SampleFailed, failedBand, xOf);
    } else {
        const auto xOf = [&](size_t i) { return b.x + (double)i; };
        eventBands(cr, b, w.events, SampleClipped, clippedBand, xOf);
        eventBands(cr, b, w.events, SampleFailed, failedBand, xOf);
    }
    cairo_restore(cr);

    useColour(cr, ink);
    cairo_set_font_size(cr, l.font);
    const double values[] = {-1, -0.5, 0, 0.5, 1};
    const int everyOther = b.h < l.font * 9; // a low panel labels -1, 0 and 1 only
    for (double v : values)
        if (!everyOther || v == (int)v)
            valueTick(cr, l, b, yOf(v), tickLabel(v, v == (int)v ? 0 : 1), v == 0 ? zeroLine : majorGrid);
    double step = niceStep(spanMs, b.w / (l.font * 7));
    int decimals = step >= 1 ? 0 : (int)std::ceil(-std::log10(step) - 1e-9);
    for (double t = std::ceil(startMs / step - 1e-9) * step; t <= startMs + spanMs + step * 1e-9; t += step)
        timeTick(cr, l, b, b.x + (t - startMs) / spanMs * b.w, tickLabel(t, decimals), majorGrid);
    // The legend takes the line of the axis title from the right, and the
    // title's place when it must.
    cairo_text_extents_t title;
    cairo_text_extents(cr, "Time (ms)", &title);
    int titleFits = bandLegend(cr, l, b, r, b.w / 2 - title.x_advance / 2 - l.font);
    axisTitles(cr, l, b, titleFits ? "Time (ms)" : "", "Value");

    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_clip(cr);
    useColour(cr, waveInk);
    if (w.lines) {
        cairo_set_line_width(cr, std::fmax(1.0, l.font / 9));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        for (size_t i = 0; i < w.values.size(); i++) {
            double x = b.x + (double)i / (double)r.span * b.w;
            if (i == 0)
                cairo_move_to(cr, x, yOf(w.values[i]));
            else
                cairo_line_to(cr, x, yOf(w.values[i]));
        }
        cairo_stroke(cr);
        if ((double)w.values.size() * 6 <= b.w) // few samples: each gets a dot
            for (size_t i = 0; i < w.values.size(); i++) {
                cairo_arc(cr, b.x + (double)i / (double)r.span * b.w, yOf(w.values[i]), l.font / 5, 0,
                          2 * std::numbers::pi);
                cairo_fill(cr);
            }
    } else {
        // One bar per column from its lowest to its highest value, joined to
        // the next column's so that a steep edge stays unbroken.
        for (size_t c = 0; c < w.low.size(); c++) {
            if (w.low[c] > w.high[c]) continue;
            double low = w.low[c], high = w.high[c];
            if (c + 1 < w.low.size() && w.low[c + 1] <= w.high[c + 1]) {
                low = std::fmin(low, w.high[c + 1]);
                high = std::fmax(high, w.low[c + 1]);
            }
            double top = yOf(high), bottom = yOf(low);
            if (bottom - top < 1) top = (top + bottom) / 2 - 0.5, bottom = top + 1;
            cairo_rectangle(cr, b.x + (double)c, top, 1, bottom - top);
        }
        cairo_fill(cr);
    }
    cairo_restore(cr);
    panelFrame(cr, b);
}

// Draws the spectrum panel: the scales and the levels, filled below.
void drawSpectrum(cairo_t *cr, const Layout &l, const Spectrum &s) {
    const Box &b = l.spectrum;
    const double highestHz = renderRate / 2.0, decades = std::log10(highestHz / lowestHz);
    const auto xOf = [&](double hz) { return b.x + std::log10(hz / lowestHz) / decades * b.w; };
    const auto hzAt = [&](double x) { return lowestHz * std::pow(10, (x - b.x) / b.w * decades); };
    const auto yOf = [&](double db) {
        db = std::fmax(bottomDbfs - 5, std::fmin(topDbfs + 5, db));
        return b.y + (topDbfs - db) / (topDbfs - bottomDbfs) * b.h;
    };
    panelPaperOf(cr, b);
    cairo_set_font_size(cr, l.font);
    for (double decade = lowestHz; decade <= highestHz; decade *= 10)
        for (int m = 2; m <= 9 && decade * m <= highestHz; m++)
            timeTick(cr, l, b, xOf(decade * m), "", minorGrid);
    const char *decadeLabels[] = {"10", "100", "1k", "10k"};
    double decade = lowestHz;
    for (const char *label : decadeLabels) {
        timeTick(cr, l, b, xOf(decade), label, majorGrid);
        decade *= 10;
    }
    // Labels at least a line and a half apart.
    const double steps[] = {20, 40, 70, 140};
    double step = steps[0];
    for (double candidate : steps) {
        step = candidate;
        if (b.h * candidate / (topDbfs - bottomDbfs) >= l.font * 1.5) break;
    }
    for (double db = 0; db >= bottomDbfs; db -= step)
        valueTick(cr, l, b, yOf(db), tickLabel(db, 0), majorGrid);
    axisTitles(cr, l, b, "Frequency (Hz)", "Level (dBFS)");

    // Per pixel column: the highest bin within it, or where the bins are
    // sparser than the pixels, the level between the two nearest bins.
    std::vector<double> levels;
    std::vector<double> xs;
    const size_t bins = s.power.size();
    for (int c = 0; c < (int)b.w; c++) {
        double from = hzAt(b.x + c) / s.binHz, to = hzAt(b.x + c + 1) / s.binHz, middle = (from + to) / 2;
        if (middle < 1 || middle > (double)(bins - 1)) continue;
        size_t first = (size_t)std::ceil(from), last = (size_t)std::ceil(to);
        double level;
        if (first < last && first < bins) {
            level = -1000;
            for (size_t k = first; k < last && k < bins; k++)
                level = std::fmax(level, binDbfs(s, k));
        } else {
            size_t below = (size_t)std::floor(middle);
            size_t above = below + 1 < bins ? below + 1 : below;
            double fraction = middle - (double)below;
            level = binDbfs(s, below) * (1 - fraction) + binDbfs(s, above) * fraction;
        }
        xs.push_back(b.x + c + 0.5);
        levels.push_back(level);
    }
    cairo_save(cr);
    cairo_rectangle(cr, b.x, b.y, b.w, b.h);
    cairo_clip(cr);
    if (!xs.empty()) {
        cairo_move_to(cr, xs[0], b.y + b.h);
        for (size_t i = 0; i < xs.size(); i++)
            cairo_line_to(cr, xs[i], yOf(levels[i]));
        cairo_line_to(cr, xs.back(), b.y + b.h);
        cairo_close_path(cr);
        useColour(cr, spectrumFill);
        cairo_fill(cr);
        for (size_t i = 0; i < xs.size(); i++)
            (i ? cairo_line_to : cairo_move_to)(cr, xs[i], yOf(levels[i]));
        useColour(cr, spectrumInk);
        cairo_set_line_width(cr, std::fmax(1.0, l.font / 10));
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
    panelFrame(cr, b);
}

// Draws the title, the formula, and beside it what the span is.
void drawTitle(cairo_t *cr, const Layout &l, const PlotRequest &r) {
    char about[160];
    std::snprintf(about, sizeof about, "t = %.6g to %.6g s, %llu samples at %d Hz", (double)r.start / renderRate,
                  (double)(r.start + r.span) / renderRate, (unsigned long long)r.span, (int)renderRate);
    cairo_set_font_size(cr, l.font);
    cairo_text_extents_t e;
    cairo_text_extents(cr, about, &e);
    double right = l.wave.x + l.wave.w, baseline = l.font * 1.6;
    useColour(cr, quietInk);
    int aboutFits = e.x_advance < l.wave.w * 0.45;
    if (aboutFits) showText(cr, about, right, baseline, 1);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, l.font * 1.25);
    double room = l.wave.w - (aboutFits ? e.x_advance + l.font * 2 : 0);
    useColour(cr, ink);
    showText(cr, fitted(cr, r.formula, room), l.wave.x, baseline, 0);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
}

} // namespace

int plotColumns(int width, int height) { return (int)layoutFor(width, height).wave.w; }

int drawPlot(RenderOutput *output, const PlotRequest &request, const Waveform &waveform, const Spectrum &spectrum) {
    Layout l = layoutFor(request.width, request.height);
    Picture picture;
    startPicture(&picture, output, request.width, request.height, request.svg, paper);
    drawTitle(picture.cr, l, request);
    drawWaveform(picture.cr, l, request, waveform);
    drawSpectrum(picture.cr, l, spectrum);
    return finishPicture(&picture);
}
